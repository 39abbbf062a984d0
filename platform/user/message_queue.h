// The user-interface thread's message queue and the table of live window handles.
#pragma once

#include "platform/kernel/win_types.h"

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

#define WM_NULL 0x0000u
#define WM_QUIT 0x0012u

#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u
// With PeekMessage: handle the messages that other threads sent to this thread, and look at
// nothing else.
#define PM_QS_SENDMESSAGE 0x00400000u

// What MsgWaitForMultipleObjects wakes for besides its objects.
#define QS_SENDMESSAGE 0x0040u

// Queues a message for the window's thread; FALSE for a handle that is not a live window.
// Callable from any thread.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Takes (or, with PM_NOREMOVE, looks at) the oldest message for hwnd (NULL: any window) whose
// number lies in [first, last] (both 0: any number). Does not wait.
BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT remove);
// Waits for a message as PeekMessage would take it; FALSE when it is WM_QUIT.
BOOL GetMessage(LPMSG msg, HWND hwnd, UINT first, UINT last);
void PostQuitMessage(int exitCode);
// Waits as WaitForMultipleObjects does, and also ends when a message of a kind in wakeMask is
// there for this thread (QS_SENDMESSAGE: another thread sent one to a window of this thread);
// then it returns WAIT_OBJECT_0 + count, and the caller handles it with PeekMessage. count may be 0.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask);
BOOL IsWindow(HWND hwnd);

namespace platform::user {

// A new live handle. The window tree makes one per window; a test can make a bare target.
HWND AllocateWindowHandle();
// The handle is dead from now on; its queued messages are dropped.
void ReleaseWindowHandle(HWND hwnd);
// Waits up to timeoutMs (INFINITE: forever) until a message is queued; TRUE when one is.
bool WaitForQueuedMessage(DWORD timeoutMs);
// Takes the next message for a modal loop of the layer (a menu, a message box), waiting for one;
// false at WM_QUIT, which it posts again so that the loops around this one end too.
bool TakeModalLoopMessage(MSG* msg);

}  // namespace platform::user

// Waits until a message (posted, sent from another thread, paint, timer or input) is there.
void WaitMessage();
