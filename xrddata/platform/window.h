// Windows as notice queues. A host creates a window (xrddata::platform::CreateNoticeWindow) to receive notices
// (message number, wParam, lParam) that any thread posts with PostMessage, and takes them in posting order with
// GetMessage, GetMessageTimeout or PeekMessage, from any thread. A desktop host instead sets a notice handler on the
// window, which PostMessage calls at once on the posting thread (the handler forwards to the toolkit's event loop,
// e.g. as a queued call). Handles are never reused: after DestroyWindow the handle is not a window and posting to
// it fails.
#pragma once

#include <functional>

#include "xrddata/platform/types.h"

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

enum : UINT {
    WM_QUIT = 0x0012,
    WM_USER = 0x0400,  // first message number free for private use
};

// PeekMessage: leave the message in the queue or take it out.
enum : UINT { PM_NOREMOVE = 0x0000, PM_REMOVE = 0x0001 };

// The framework's calls on a window.

// Discards the window's queued notices and, when a handler is running on another thread, waits for it to return.
// Waiting threads blocked in GetMessage on this window return -1. FALSE when hWnd is not a window.
XRDDATA_API BOOL DestroyWindow(HWND hWnd);
XRDDATA_API BOOL IsWindow(HWND hWnd);

// Queues the notice (or hands it to the handler). FALSE when hWnd is not a window or its queue is full.
XRDDATA_API BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Message filters: with wMsgFilterMin and wMsgFilterMax both 0 every message matches, otherwise those in the range.
// hWnd null means any window created by the calling thread.

// Waits for a matching notice and removes it: 1 for a notice, 0 for WM_QUIT, -1 when hWnd is not a window (or the
// window is destroyed while waiting, or with a null hWnd the thread has no window).
XRDDATA_API BOOL GetMessage(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
// Does not wait: TRUE and the notice (removed with PM_REMOVE) when one matches, else FALSE.
XRDDATA_API BOOL PeekMessage(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);

// What this platform adds: creating a window, notice handlers, a bounded wait.
namespace xrddata::platform {

// A queue holds at most this many notices; PostMessage fails beyond it (a host that never reads its queue).
constexpr unsigned kMaxQueuedMessages = 10000;

// Called instead of queueing; runs on the posting thread, possibly on several threads at once.
using NoticeHandler = std::function<void(const MSG&)>;

// A new window. Its notices are queued in the calling thread's queue, from which GetMessage with a null window
// takes them; GetMessage with the window's handle takes them on any thread.
XRDDATA_API HWND CreateNoticeWindow();

// Sets (or, with an empty handler, removes) the window's notice handler. Notices already queued stay queued.
XRDDATA_API BOOL SetNoticeHandler(HWND hWnd, NoticeHandler handler);

// As GetMessage but waits at most dwMilliseconds (0xFFFFFFFF: no limit): 1 when a notice (WM_QUIT included) was
// taken, 0 when none came in time, -1 as GetMessage.
XRDDATA_API int GetMessageTimeout(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                                  DWORD dwMilliseconds);

}  // namespace xrddata::platform
