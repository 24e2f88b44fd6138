#include "xrddata/platform/thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace xrddata::platform::detail {

// What the thread object and its running thread share. The thread keeps it alive after an auto-deleting object is
// gone, so that the thread never touches freed memory.
struct ThreadState {
    std::mutex mu;
    std::condition_variable cv;
    CWinThread* object = nullptr;
    DWORD suspendCount = 0;
    bool objectGone = false;  // the object is being (or has been) destroyed: the thread must not touch it
    bool started = false;     // the body has begun
    bool finished = false;    // the thread is done with the object
    DWORD exitCode = STILL_ACTIVE;
    std::thread::id tid;

    static void Main(std::shared_ptr<ThreadState> s);
};

void ThreadState::Main(std::shared_ptr<ThreadState> s) {
    CWinThread* obj;
    {
        std::unique_lock<std::mutex> lk(s->mu);
        s->tid = std::this_thread::get_id();
        s->cv.wait(lk, [&] { return s->suspendCount == 0 || s->objectGone; });
        if (s->objectGone) {  // destroyed while still suspended: never runs
            s->finished = true;
            s->cv.notify_all();
            return;
        }
        s->started = true;
        obj = s->object;
    }
    DWORD code;
    try {
        if (obj->m_pfnThreadProc)
            code = obj->m_pfnThreadProc(obj->m_pThreadParams);
        else if (!obj->InitInstance())
            code = static_cast<DWORD>(obj->ExitInstance());
        else
            code = static_cast<DWORD>(obj->Run());
    } catch (...) {
        // An exception escaping a thread would end the process; the thread ends with this code instead.
        code = 0xFFFFFFFF;
    }
    bool deleteObject;
    {
        std::lock_guard<std::mutex> lk(s->mu);
        deleteObject = !s->objectGone;
    }
    if (deleteObject) obj->Delete();
    std::lock_guard<std::mutex> lk(s->mu);
    s->exitCode = code;
    s->finished = true;
    s->cv.notify_all();
}

}  // namespace xrddata::platform::detail

using xrddata::platform::detail::ThreadState;

namespace {

// Thread handles: numbers that are never reused, so a stale handle fails instead of naming another thread. The
// table is never destroyed: threads still running while the process exits may use it.
struct HandleTable {
    std::mutex mu;
    std::unordered_map<std::uintptr_t, std::shared_ptr<ThreadState>> map;
};
HandleTable& Handles() {
    static HandleTable* table = new HandleTable;
    return *table;
}
std::atomic<std::uintptr_t> g_nextHandle{0x7000};

DWORD Resume(ThreadState& s) {
    std::lock_guard<std::mutex> lk(s.mu);
    DWORD previous = s.suspendCount;
    if (previous > 0 && --s.suspendCount == 0) s.cv.notify_all();
    return previous;
}

std::shared_ptr<ThreadState> FindThread(HANDLE h) {
    HandleTable& t = Handles();
    std::lock_guard<std::mutex> lk(t.mu);
    auto it = t.map.find(reinterpret_cast<std::uintptr_t>(h));
    return it == t.map.end() ? nullptr : it->second;
}

}  // namespace

IMPLEMENT_DYNAMIC(CWinThread, CObject)

CWinThread::CWinThread() = default;

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, void* pParam)
    : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam) {}

CWinThread::~CWinThread() {
    if (!m_state) return;
    {
        std::lock_guard<std::mutex> lk(Handles().mu);
        Handles().map.erase(reinterpret_cast<std::uintptr_t>(m_hThread));
    }
    std::unique_lock<std::mutex> lk(m_state->mu);
    m_state->objectGone = true;
    m_state->cv.notify_all();
    if (m_state->tid == std::this_thread::get_id()) return;  // auto-deletion on the thread itself
    if (m_state->started) m_state->cv.wait(lk, [&] { return m_state->finished; });
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT, void*) {
    if (m_state) return FALSE;
    auto s = std::make_shared<ThreadState>();
    s->object = this;
    s->suspendCount = (dwCreateFlags & CREATE_SUSPENDED) ? 1 : 0;
    std::uintptr_t id = g_nextHandle.fetch_add(4);
    m_state = s;
    m_hThread = reinterpret_cast<HANDLE>(id);
    m_nThreadID = static_cast<DWORD>(id);
    {
        std::lock_guard<std::mutex> lk(Handles().mu);
        Handles().map[id] = s;
    }
    try {
        std::thread(&ThreadState::Main, s).detach();
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lk(Handles().mu);
        Handles().map.erase(id);
        m_state.reset();
        m_hThread = nullptr;
        m_nThreadID = 0;
        return FALSE;
    }
    return TRUE;
}

DWORD CWinThread::ResumeThread() { return m_state ? Resume(*m_state) : 0xFFFFFFFF; }

BOOL CWinThread::SetThreadPriority(int nPriority) {
    m_nPriority = nPriority;
    return TRUE;
}

BOOL CWinThread::InitInstance() { return TRUE; }
int CWinThread::Run() { return ExitInstance(); }
int CWinThread::ExitInstance() { return 0; }

void CWinThread::Delete() {
    if (m_bAutoDelete) delete this;
}

CWinThread* AfxBeginThread(const CRuntimeClass* pThreadClass, int nPriority, UINT nStackSize, DWORD dwCreateFlags,
                           void* lpSecurityAttrs) {
    if (!pThreadClass || !pThreadClass->IsDerivedFrom(RUNTIME_CLASS(CWinThread))) return nullptr;
    CWinThread* thread = dynamic_cast<CWinThread*>(pThreadClass->CreateObject());
    if (!thread) return nullptr;
    if (!thread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        delete thread;  // the caller never sees it, so it must not be left behind whatever its auto-delete flag
        return nullptr;
    }
    thread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED)) thread->ResumeThread();
    return thread;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, void* pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, void* lpSecurityAttrs) {
    if (!pfnThreadProc) return nullptr;
    CWinThread* thread = new CWinThread(pfnThreadProc, pParam);
    if (!thread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        delete thread;
        return nullptr;
    }
    thread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED)) thread->ResumeThread();
    return thread;
}

DWORD ResumeThread(HANDLE hThread) {
    std::shared_ptr<ThreadState> s = FindThread(hThread);
    return s ? Resume(*s) : 0xFFFFFFFF;
}

DWORD WaitForSingleObject(HANDLE hThread, DWORD dwMilliseconds) {
    std::shared_ptr<ThreadState> s = FindThread(hThread);
    if (!s) return WAIT_FAILED;
    std::unique_lock<std::mutex> lk(s->mu);
    if (s->tid == std::this_thread::get_id() && !s->finished) return WAIT_TIMEOUT;  // a thread cannot outwait itself
    auto done = [&] { return s->finished; };
    if (dwMilliseconds == INFINITE) {
        s->cv.wait(lk, done);
        return WAIT_OBJECT_0;
    }
    return s->cv.wait_for(lk, std::chrono::milliseconds(dwMilliseconds), done) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL GetExitCodeThread(HANDLE hThread, DWORD* lpExitCode) {
    if (!lpExitCode) return FALSE;
    std::shared_ptr<ThreadState> s = FindThread(hThread);
    if (!s) return FALSE;
    std::lock_guard<std::mutex> lk(s->mu);
    *lpExitCode = s->exitCode;
    return TRUE;
}
