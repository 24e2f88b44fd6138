#include "xrddata/platform/window.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using xrddata::platform::NoticeHandler;
using xrddata::platform::kMaxQueuedMessages;

namespace {

// The notice queue of one thread, shared by the windows that thread created.
struct Queue {
    std::mutex mu;
    std::condition_variable cv;
    std::deque<MSG> messages;
    std::unordered_set<HWND> windows;  // live windows of this queue
};

struct Window {
    std::shared_ptr<Queue> queue;
    std::shared_ptr<const NoticeHandler> handler;
    int handlersRunning = 0;
};

// The window table. Lock order: its mutex before a queue's mutex. Never destroyed: threads still posting while
// the process exits may use it.
struct WindowTable {
    std::mutex mu;
    std::condition_variable handlerDone;
    std::unordered_map<HWND, std::shared_ptr<Window>> map;
};
WindowTable& Table() {
    static WindowTable* table = new WindowTable;
    return *table;
}
std::atomic<std::uintptr_t> g_nextHandle{0x10000};

thread_local std::shared_ptr<Queue> t_queue;
thread_local std::vector<HWND> t_inHandler;  // windows whose handler is running on this thread (innermost last)

bool Matches(const MSG& m, HWND hWnd, UINT lo, UINT hi) {
    if (hWnd && m.hwnd != hWnd) return false;
    if (lo == 0 && hi == 0) return true;
    return m.message >= lo && m.message <= hi;
}

// The queue to read for hWnd (null: the calling thread's), or null when there is nothing to read from.
std::shared_ptr<Queue> QueueFor(HWND hWnd) {
    if (!hWnd) return t_queue;
    std::lock_guard<std::mutex> lk(Table().mu);
    auto it = Table().map.find(hWnd);
    return it == Table().map.end() ? nullptr : it->second->queue;
}

// With q->mu held: is there still something that could deliver?
bool Readable(const Queue& q, HWND hWnd) { return hWnd ? q.windows.count(hWnd) > 0 : !q.windows.empty(); }

// With q->mu held: takes the first matching message, if any.
bool Take(Queue& q, MSG* out, HWND hWnd, UINT lo, UINT hi, bool remove) {
    auto it = std::find_if(q.messages.begin(), q.messages.end(), [&](const MSG& m) { return Matches(m, hWnd, lo, hi); });
    if (it == q.messages.end()) return false;
    *out = *it;
    if (remove) q.messages.erase(it);
    return true;
}

// 1 taken, 0 timed out, -1 nothing to wait on.
int Wait(MSG* lpMsg, HWND hWnd, UINT lo, UINT hi, DWORD ms) {
    if (!lpMsg) return -1;
    std::shared_ptr<Queue> q = QueueFor(hWnd);
    if (!q) return -1;
    std::unique_lock<std::mutex> lk(q->mu);
    int result = 0;
    auto ready = [&] {
        if (Take(*q, lpMsg, hWnd, lo, hi, true)) result = 1;
        else if (!Readable(*q, hWnd)) result = -1;
        else return false;
        return true;
    };
    if (ms == 0xFFFFFFFF)
        q->cv.wait(lk, ready);
    else
        q->cv.wait_for(lk, std::chrono::milliseconds(ms), ready);
    return result;
}

}  // namespace

HWND xrddata::platform::CreateNoticeWindow() {
    if (!t_queue) t_queue = std::make_shared<Queue>();
    auto w = std::make_shared<Window>();
    w->queue = t_queue;
    HWND h = reinterpret_cast<HWND>(g_nextHandle.fetch_add(0x10));
    std::lock_guard<std::mutex> lk(Table().mu);
    Table().map.emplace(h, w);
    std::lock_guard<std::mutex> qlk(w->queue->mu);
    w->queue->windows.insert(h);
    return h;
}

BOOL DestroyWindow(HWND hWnd) {
    std::unique_lock<std::mutex> lk(Table().mu);
    auto it = Table().map.find(hWnd);
    if (it == Table().map.end()) return FALSE;
    std::shared_ptr<Window> w = it->second;
    Table().map.erase(it);
    {
        std::lock_guard<std::mutex> qlk(w->queue->mu);
        w->queue->windows.erase(hWnd);
        auto& msgs = w->queue->messages;
        msgs.erase(std::remove_if(msgs.begin(), msgs.end(), [&](const MSG& m) { return m.hwnd == hWnd; }), msgs.end());
        w->queue->cv.notify_all();
    }
    // Wait for handlers running on other threads; those running on this thread (DestroyWindow called from inside
    // the handler) cannot finish first.
    int own = static_cast<int>(std::count(t_inHandler.begin(), t_inHandler.end(), hWnd));
    Table().handlerDone.wait(lk, [&] { return w->handlersRunning <= own; });
    return TRUE;
}

BOOL IsWindow(HWND hWnd) {
    if (!hWnd) return FALSE;
    std::lock_guard<std::mutex> lk(Table().mu);
    return Table().map.count(hWnd) ? TRUE : FALSE;
}

BOOL xrddata::platform::SetNoticeHandler(HWND hWnd, NoticeHandler handler) {
    std::lock_guard<std::mutex> lk(Table().mu);
    auto it = Table().map.find(hWnd);
    if (it == Table().map.end()) return FALSE;
    it->second->handler = handler ? std::make_shared<const NoticeHandler>(std::move(handler)) : nullptr;
    return TRUE;
}

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const MSG msg{hWnd, message, wParam, lParam};
    std::shared_ptr<Window> w;
    std::shared_ptr<const NoticeHandler> handler;
    {
        std::lock_guard<std::mutex> lk(Table().mu);
        auto it = Table().map.find(hWnd);
        if (it == Table().map.end()) return FALSE;
        w = it->second;
        if (!w->handler) {
            std::lock_guard<std::mutex> qlk(w->queue->mu);
            if (w->queue->messages.size() >= kMaxQueuedMessages) return FALSE;
            w->queue->messages.push_back(msg);
            w->queue->cv.notify_all();
            return TRUE;
        }
        handler = w->handler;
        ++w->handlersRunning;
    }
    // The handler runs without any lock held, so it may post, peek or destroy windows itself.
    struct Done {
        Window& w;
        ~Done() {
            t_inHandler.pop_back();
            std::lock_guard<std::mutex> lk(Table().mu);
            --w.handlersRunning;
            Table().handlerDone.notify_all();
        }
    };
    t_inHandler.push_back(hWnd);
    Done done{*w};
    (*handler)(msg);
    return TRUE;
}

BOOL GetMessage(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    int r = Wait(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, 0xFFFFFFFF);
    if (r < 0) return -1;
    return lpMsg->message == WM_QUIT ? 0 : 1;
}

int xrddata::platform::GetMessageTimeout(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                                         DWORD dwMilliseconds) {
    return Wait(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, dwMilliseconds);
}

BOOL PeekMessage(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (!lpMsg) return FALSE;
    std::shared_ptr<Queue> q = QueueFor(hWnd);
    if (!q) return FALSE;
    std::lock_guard<std::mutex> lk(q->mu);
    return Take(*q, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0) ? TRUE : FALSE;
}
