// Show states: shown and hidden, minimised, maximised and restored, enabled and disabled; and
// what the window manager does to them.
#include "platform/user/input.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_tree.h"

using namespace platform::user::detail;

namespace {

RECT maximizedRect(const Node& n)
{
    RECT bounds{0, 0, 1024, 768};
    if ((n.style & WS_CHILD) && n.parent) {
        if (Node* p = Find(n.parent)) bounds = ClientRectOf(*p);
    } else {
        HostUsableBounds(&bounds);
    }
    int b = BorderOf(n);
    return RECT{bounds.left - b, bounds.top - b, bounds.right + b, bounds.bottom + b};
}

void setVisible(HWND hwnd, bool visible)
{
    bool changed = false;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return;
        bool was = (n->style & WS_VISIBLE) != 0;
        if (was == visible) return;
        changed = true;
    }
    if (changed) SendMessage(hwnd, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return;
    if (visible) {
        n->style |= WS_VISIBLE;
        InvalidateNode(*n, nullptr, true);
    } else {
        n->style &= ~WS_VISIBLE;
    }
    NoteCovered(*n);
    if (n->host) HostSyncShow(*n);
}

// Puts the window into a show state and tells it with WM_SIZE. The layer's own change places it
// (maximised on the display's usable bounds, restored where it was before, minimised where it is)
// and tells the display; the display's report of its own change leaves the place to the display,
// which gives it with its own report.
void changeState(HWND hwnd, bool minimized, bool maximized, bool byDisplay)
{
    RECT target;
    UINT kind;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return;
        if (!n->minimized && !n->maximized) n->restoreRect = n->rect;
        n->minimized = minimized;
        n->maximized = maximized;
        target = (byDisplay || minimized) ? n->rect : maximized ? maximizedRect(*n) : n->restoreRect;
        kind = minimized ? SIZE_MINIMIZED : maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
        if (n->host && !byDisplay) HostSyncShow(*n);
    }
    RECT before;
    GetWindowRect(hwnd, &before);
    ApplyRect(hwnd, target, true, kind);
    RECT c;
    GetClientRect(hwnd, &c);
    // A change of state with the same size still tells the window its new state.
    RECT after;
    GetWindowRect(hwnd, &after);
    if ((before.right - before.left) == (after.right - after.left) && (before.bottom - before.top) == (after.bottom - after.top))
        SendMessage(hwnd, WM_SIZE, kind, MAKELPARAM(c.right, c.bottom));
}

// The window's show state; false for a window that is not a shown top-level window.
bool stateOf(HWND hwnd, bool* minimized, bool* maximized)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    *minimized = n && n->minimized;
    *maximized = n && n->maximized;
    return n && IsTopLevel(*n) && (n->style & WS_VISIBLE);
}

}  // namespace

BOOL ShowWindow(HWND hwnd, int command)
{
    bool wasVisible, isTop;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return FALSE;
        wasVisible = (n->style & WS_VISIBLE) != 0;
        isTop = !(n->style & WS_CHILD);
    }
    auto setState = [hwnd](bool minimized, bool maximized) { changeState(hwnd, minimized, maximized, false); };
    bool mn, mx;
    stateOf(hwnd, &mn, &mx);
    switch (command) {
    case SW_HIDE:
        setVisible(hwnd, false);
        platform::user::input::ForgetWindowTree(hwnd);
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        if (!mn) setState(true, mx);
        setVisible(hwnd, true);
        break;
    case SW_SHOWMAXIMIZED:
        if (!mx || mn) setState(false, true);
        setVisible(hwnd, true);
        if (isTop) SetActiveWindow(hwnd);
        break;
    case SW_RESTORE:
        if (mn) setState(false, mx);
        else if (mx) setState(false, false);
        setVisible(hwnd, true);
        if (isTop) SetActiveWindow(hwnd);
        break;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
        if (mn || mx) setState(false, false);
        setVisible(hwnd, true);
        if (isTop) SetActiveWindow(hwnd);
        break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
        setVisible(hwnd, true);
        break;
    default:  // SW_SHOW
        setVisible(hwnd, true);
        if (isTop) SetActiveWindow(hwnd);
        break;
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) { return VisibleChain(hwnd) ? TRUE : FALSE; }

BOOL IsIconic(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n && n->minimized ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n && n->maximized && !n->minimized ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    bool wasDisabled;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return FALSE;
        wasDisabled = (n->style & WS_DISABLED) != 0;
        if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
        if (enable) n->style &= ~WS_DISABLED;
        else n->style |= WS_DISABLED;
    }
    if (!enable) platform::user::input::ForgetWindowTree(hwnd);
    SendMessage(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n && !(n->style & WS_DISABLED) ? TRUE : FALSE;
}

namespace platform::user::window_manager {

void Minimized(HWND topLevel)
{
    bool mn, mx;
    if (stateOf(topLevel, &mn, &mx) && !mn) changeState(topLevel, true, mx, true);
}

void Unminimized(HWND topLevel)
{
    bool mn, mx;
    if (stateOf(topLevel, &mn, &mx) && mn) changeState(topLevel, false, mx, true);
}

void Maximized(HWND topLevel)
{
    bool mn, mx;
    if (stateOf(topLevel, &mn, &mx) && (mn || !mx)) changeState(topLevel, false, true, true);
}

void Unmaximized(HWND topLevel)
{
    bool mn, mx;
    if (stateOf(topLevel, &mn, &mx) && mx && !mn) changeState(topLevel, false, false, true);
}

void Activated(HWND topLevel)
{
    if (GetActiveWindow() != topLevel && IsWindowEnabled(topLevel)) SetActiveWindow(topLevel);
}

void Deactivated() { SetActiveWindow(nullptr); }

}  // namespace platform::user::window_manager
