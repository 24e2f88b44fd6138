// Worker threads in the framework's shape: CWinThread and AfxBeginThread on std::thread. A thread may be created
// suspended and started later with ResumeThread; an auto-deleting thread object deletes itself when its thread ends.
#pragma once

#include <memory>

#include "xrddata/platform/runtimeclass.h"
#include "xrddata/platform/types.h"

enum : DWORD { CREATE_SUSPENDED = 0x00000004 };

// Accepted for compatibility (AfxBeginThread).
enum : int { THREAD_PRIORITY_NORMAL = 0 };

namespace xrddata::platform::detail {
struct ThreadState;
}

class XRDDATA_API CWinThread : public CObject {
    DECLARE_DYNAMIC(CWinThread)
public:
    // A thread object whose work is InitInstance/Run (derive and override).
    CWinThread();
    // A thread that was never resumed is abandoned without running. An object that does not delete itself may be
    // destroyed once its body (Run, or ExitInstance after a refusing InitInstance) has returned; the destructor
    // waits for the thread's end.
    ~CWinThread() override;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread (held until ResumeThread with CREATE_SUSPENDED). Stack size and security are accepted and
    // ignored. FALSE when the thread was already created or the system refused a new thread.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, void* lpSecurityAttrs = nullptr);
    // Decrements the suspend count and lets the thread run when it reaches 0. Returns the previous count, or
    // 0xFFFFFFFF when there is no thread.
    DWORD ResumeThread();

    // Thread body: InitInstance, then Run when it returned TRUE (else ExitInstance). Run's default returns
    // ExitInstance(); there is no message loop. An exception escaping the body ends the thread, not the process.
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();
    // Called on the thread after its body when m_bAutoDelete is set: deletes the object.
    virtual void Delete();

    BOOL m_bAutoDelete = TRUE;

private:
    friend struct xrddata::platform::detail::ThreadState;
    std::shared_ptr<xrddata::platform::detail::ThreadState> m_state;
};

// Creates an object of pThreadClass (a dynamically creatable class derived from CWinThread) and starts its thread.
// Null when the class is unsuitable or the thread cannot be created (the object is then deleted). Threads run at
// the process's priority.
XRDDATA_API CWinThread* AfxBeginThread(const CRuntimeClass* pThreadClass, int nPriority = THREAD_PRIORITY_NORMAL,
                                       UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                                       void* lpSecurityAttrs = nullptr);
