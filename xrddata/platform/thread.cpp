#include "xrddata/platform/thread.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

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
    try {
        if (!obj->InitInstance())
            obj->ExitInstance();
        else
            obj->Run();
    } catch (...) {
        // An exception escaping a thread would end the process; the thread just ends instead.
    }
    // A kept object (m_bAutoDelete unset) may be destroyed from now on: it is not called again.
    bool deleteObject;
    {
        std::lock_guard<std::mutex> lk(s->mu);
        deleteObject = !s->objectGone && obj->m_bAutoDelete;
    }
    if (deleteObject) obj->Delete();
    std::lock_guard<std::mutex> lk(s->mu);
    s->finished = true;
    s->cv.notify_all();
}

}  // namespace xrddata::platform::detail

using xrddata::platform::detail::ThreadState;

IMPLEMENT_DYNAMIC(CWinThread, CObject)

CWinThread::CWinThread() = default;

CWinThread::~CWinThread() {
    if (!m_state) return;
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
    m_state = s;
    try {
        std::thread(&ThreadState::Main, s).detach();
    } catch (const std::system_error&) {
        m_state.reset();
        return FALSE;
    }
    return TRUE;
}

DWORD CWinThread::ResumeThread() {
    if (!m_state) return 0xFFFFFFFF;
    std::lock_guard<std::mutex> lk(m_state->mu);
    DWORD previous = m_state->suspendCount;
    if (previous > 0 && --m_state->suspendCount == 0) m_state->cv.notify_all();
    return previous;
}

BOOL CWinThread::InitInstance() { return TRUE; }
int CWinThread::Run() { return ExitInstance(); }
int CWinThread::ExitInstance() { return 0; }

void CWinThread::Delete() {
    if (m_bAutoDelete) delete this;
}

CWinThread* AfxBeginThread(const CRuntimeClass* pThreadClass, int, UINT nStackSize, DWORD dwCreateFlags,
                           void* lpSecurityAttrs) {
    if (!pThreadClass || !pThreadClass->IsDerivedFrom(RUNTIME_CLASS(CWinThread))) return nullptr;
    CWinThread* thread = dynamic_cast<CWinThread*>(pThreadClass->CreateObject());
    if (!thread) return nullptr;
    if (!thread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        delete thread;  // the caller never sees it, so it must not be left behind whatever its auto-delete flag
        return nullptr;
    }
    if (!(dwCreateFlags & CREATE_SUSPENDED)) thread->ResumeThread();
    return thread;
}
