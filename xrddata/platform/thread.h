// Worker threads in the framework's shape: CWinThread and AfxBeginThread on std::thread. A thread may be created
// suspended and started later with ResumeThread; an auto-deleting thread object deletes itself when its thread ends.
// Thread handles can be waited on (WaitForSingleObject) and asked for the exit code while the thread object exists.
#pragma once

#include <memory>

#include "xrddata/platform/runtimeclass.h"
#include "xrddata/platform/types.h"

enum : DWORD {
    CREATE_SUSPENDED = 0x00000004,
    INFINITE = 0xFFFFFFFF,
    WAIT_OBJECT_0 = 0x00000000,
    WAIT_TIMEOUT = 0x00000102,
    WAIT_FAILED = 0xFFFFFFFF,
    STILL_ACTIVE = 0x00000103,
};

// Accepted for compatibility; threads run at the process's priority.
enum : int {
    THREAD_PRIORITY_LOWEST = -2,
    THREAD_PRIORITY_BELOW_NORMAL = -1,
    THREAD_PRIORITY_NORMAL = 0,
    THREAD_PRIORITY_ABOVE_NORMAL = 1,
    THREAD_PRIORITY_HIGHEST = 2,
};

using AFX_THREADPROC = UINT (*)(void*);

namespace xrddata::platform::detail {
struct ThreadState;
}

class XRDDATA_API CWinThread : public CObject {
    DECLARE_DYNAMIC(CWinThread)
public:
    // A thread object whose work is InitInstance/Run (derive and override).
    CWinThread();
    // A thread object that runs pfnThreadProc(pParam).
    CWinThread(AFX_THREADPROC pfnThreadProc, void* pParam);
    // Closes the handle. A thread that was never resumed is abandoned without running. An object that does not
    // delete itself is to be destroyed after its thread has ended (WaitForSingleObject); the destructor waits for
    // the thread's end when it is called early, but the derived parts of the object are gone by then.
    ~CWinThread() override;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread (held until ResumeThread with CREATE_SUSPENDED). Stack size and security are accepted and
    // ignored. FALSE when the thread was already created or the system refused a new thread.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, void* lpSecurityAttrs = nullptr);
    // Decrements the suspend count and lets the thread run when it reaches 0. Returns the previous count, or
    // 0xFFFFFFFF when there is no thread.
    DWORD ResumeThread();
    BOOL SetThreadPriority(int nPriority);
    int GetThreadPriority() const { return m_nPriority; }

    // Thread body: with a thread procedure, its result is the exit code; otherwise InitInstance, then Run when it
    // returned TRUE (else ExitInstance). Run's default returns ExitInstance(); there is no message loop.
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();
    // Called on the thread after its body: deletes the object when m_bAutoDelete is set.
    virtual void Delete();

    BOOL m_bAutoDelete = TRUE;
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;

protected:
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    void* m_pThreadParams = nullptr;

private:
    friend struct xrddata::platform::detail::ThreadState;
    std::shared_ptr<xrddata::platform::detail::ThreadState> m_state;
    int m_nPriority = THREAD_PRIORITY_NORMAL;
};

// Creates an object of pThreadClass (a dynamically creatable class derived from CWinThread) and starts its thread.
// Null when the class is unsuitable or the thread cannot be created (the object is then deleted).
XRDDATA_API CWinThread* AfxBeginThread(const CRuntimeClass* pThreadClass, int nPriority = THREAD_PRIORITY_NORMAL,
                                       UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                                       void* lpSecurityAttrs = nullptr);
// Runs pfnThreadProc(pParam) on a new auto-deleting thread object.
XRDDATA_API CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, void* pParam,
                                       int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                                       DWORD dwCreateFlags = 0, void* lpSecurityAttrs = nullptr);

// Handle forms. A handle is valid while its thread object exists: after an auto-deleting thread has ended the
// handle is gone and these fail (0xFFFFFFFF, WAIT_FAILED, FALSE).
XRDDATA_API DWORD ResumeThread(HANDLE hThread);
// WAIT_OBJECT_0 when the thread has ended, WAIT_TIMEOUT after the given milliseconds (INFINITE waits), WAIT_FAILED
// for a handle that is not (or no longer) a thread.
XRDDATA_API DWORD WaitForSingleObject(HANDLE hThread, DWORD dwMilliseconds);
// STILL_ACTIVE while the thread has not ended; then its exit code (0xFFFFFFFF when its body threw).
XRDDATA_API BOOL GetExitCodeThread(HANDLE hThread, DWORD* lpExitCode);
