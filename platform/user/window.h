// The window functions: creation and destruction, messages, geometry, show states, focus,
// capture, cursor confinement, timers, cursors, invalidation and message boxes.
//
// Every window belongs to the user-interface thread that created it; its handlers run there.
// PostMessage, SendMessage, InvalidateRect, IsWindow and IsWindowVisible may be called from any
// thread; a SendMessage from another thread waits until the window's thread has handled it, which
// happens whenever that thread takes or looks for messages (GetMessage, PeekMessage, modal loops).
#pragma once

#include "platform/user/user_types.h"

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// A window of a built-in class ("Static", "Button", "ComboBox", "#32770" for dialogs), of a class
// registered with RegisterWindowClass, or of the generic class (any other name, or NULL). A child's position is in its parent's client
// coordinates, a top-level window's in screen coordinates. Sends WM_NCCREATE, WM_CREATE (creation
// fails when it returns -1), WM_SIZE and WM_MOVE, then shows the window when WS_VISIBLE is set.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param);
// Sends WM_DESTROY (parent before children) and WM_NCDESTROY (children before parent); queued
// messages of the destroyed windows are dropped. FALSE for a handle that is not a live window.
BOOL DestroyWindow(HWND hwnd);

// 0 for a handle that is not a live window.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DispatchMessage(const MSG* msg);
BOOL TranslateMessage(const MSG* msg);
// The generic default handling of every message.
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The default handling of the window's own class (the built-in control's or dialog's behaviour),
// which ends in DefWindowProc.
LRESULT CallClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// TRUE while the calling thread handles a message sent from another thread.
BOOL InSendMessage();

HWND GetParent(HWND hwnd);
HWND GetDlgItem(HWND parent, int id);
int GetDlgCtrlID(HWND hwnd);
HWND GetWindow(HWND hwnd, UINT relation);  // GW_CHILD, GW_HWNDNEXT, GW_HWNDPREV, GW_OWNER
#define GW_HWNDNEXT 2u
#define GW_HWNDPREV 3u
#define GW_OWNER 4u
#define GW_CHILD 5u
HWND GetAncestor(HWND hwnd, UINT flags);  // GA_PARENT, GA_ROOT
#define GA_PARENT 1u
#define GA_ROOT 2u
BOOL IsChild(HWND parent, HWND hwnd);

LONG_PTR GetWindowLong(HWND hwnd, int index);
LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value);
BOOL SetWindowText(HWND hwnd, LPCSTR text);
int GetWindowText(HWND hwnd, LPSTR buffer, int size);
int GetWindowTextLength(HWND hwnd);

BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);  // screen coordinates
BOOL ClientToScreen(HWND hwnd, LPPOINT point);
BOOL ScreenToClient(HWND hwnd, LPPOINT point);
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
// The deepest visible, enabled window under a screen point that does not answer HTTRANSPARENT.
HWND WindowFromPoint(POINT screen);

// Returns whether the window was visible before.
BOOL ShowWindow(HWND hwnd, int command);
BOOL IsWindowVisible(HWND hwnd);  // the window and all its ancestors are shown
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);  // returns whether it was disabled before
BOOL IsWindowEnabled(HWND hwnd);

HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND GetActiveWindow();
HWND SetActiveWindow(HWND hwnd);
// Mouse input goes to the capturing window wherever the pointer is; a press outside the program's
// windows (on another program's or the desktop) comes to it too.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
// Keeps the cursor inside the screen rectangle (NULL: free again): input taken from now on finds it
// there. Set during a left press, the display brings the pointer back inside while that press is
// held; it never holds the pointer itself, which would outlast a release not taken yet.
BOOL ClipCursor(LPCRECT rect);
BOOL GetClipCursor(LPRECT rect);
BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track);
// Negative while the key is down as of the input taken so far; bit 0 toggles at each press.
short GetKeyState(int virtualKey);
// Negative while the key is down as the display last reported it.
short GetAsyncKeyState(int virtualKey);

HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// A program icon (any name but the standard icons with a null instance) comes from the icon
// loader, once per name: the same shared icon each time, never to be destroyed. NULL when there
// is no loader or no such icon.
HICON LoadIcon(HINSTANCE instance, LPCSTR name);

// Adds the rectangle (client coordinates; NULL: the whole client area) to the update region.
BOOL InvalidateRect(HWND hwnd, LPCRECT rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, LPCRECT rect);
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
// Sends WM_PAINT at once when the update region is not empty.
BOOL UpdateWindow(HWND hwnd);
#define RDW_INVALIDATE 0x0001u
#define RDW_ERASE 0x0004u
#define RDW_ALLCHILDREN 0x0080u
#define RDW_UPDATENOW 0x0100u
BOOL RedrawWindow(HWND hwnd, LPCRECT rect, HRGN region, UINT flags);

// A timer posts WM_TIMER (or calls proc) every elapse milliseconds; a second SetTimer with the
// same window and id replaces the first. 0 on failure.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// A message box run modally over its owner on a real display, ended like every modal loop by
// WM_QUIT; without a display (off-screen video driver, or none) it returns the default button at
// once.
int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);

// The system menu of a top-level window (Alt+Space, or a right click on the task bar entry).
HMENU GetSystemMenu(HWND hwnd, BOOL revert);
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text);
int GetMenuItemCount(HMENU menu);
BOOL DestroyMenu(HMENU menu);

// Class styles. A window whose class has CS_DBLCLKS gets WM_LBUTTONDBLCLK (WM_RBUTTONDBLCLK) for
// a second press close in time and place to the first; others get a second press. Every built-in
// class has it, as on Windows; the generic class has none.
#define CS_DBLCLKS 0x0008u

namespace platform::user {
// Registers a window class of the layer's own controls: its class style and the procedure of its
// windows (null: DefWindowProc). FALSE when the name (case ignored) is taken or empty.
BOOL RegisterWindowClass(LPCSTR name, UINT classStyle, WNDPROC proc);
// Where LoadIcon finds program icons: the resources register their icon loader at start-up.
using IconLoader = HICON (*)(LPCSTR name);
void SetIconLoader(IconLoader loader);
}  // namespace platform::user

// Common controls have nothing to register here; kept for the start-up sequence.
struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXICON 11
#define SM_CYICON 12
int GetSystemMetrics(int index);
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
DWORD GetSysColor(int index);
