// Where windows are: client and window rectangles, coordinate mapping, moving and sizing.
#include <algorithm>

#include "platform/user/input.h"
#include "platform/user/surface.h"
#include "platform/user/window_tree.h"

using namespace platform::user::detail;

BOOL GetClientRect(HWND hwnd, LPRECT rect)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr || rect == nullptr) return FALSE;
    *rect = ClientRectOf(*n);
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr || rect == nullptr) return FALSE;
    POINT origin{0, 0};
    if ((n->style & WS_CHILD) && n->parent) origin = ClientOriginOnScreen(n->parent);
    *rect = RECT{n->rect.left + origin.x, n->rect.top + origin.y, n->rect.right + origin.x, n->rect.bottom + origin.y};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point)
{
    if (!IsWindow(hwnd) || point == nullptr) return FALSE;
    POINT o = ClientOriginOnScreen(hwnd);
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point)
{
    if (!IsWindow(hwnd) || point == nullptr) return FALSE;
    POINT o = ClientOriginOnScreen(hwnd);
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
    POINT a = from ? ClientOriginOnScreen(from) : POINT{0, 0};
    POINT b = to ? ClientOriginOnScreen(to) : POINT{0, 0};
    int dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; i < count; ++i) points[i].x += dx, points[i].y += dy;
    return static_cast<int>(MAKELPARAM(dx, dy));
}

namespace platform::user::detail {

void ApplyRect(HWND hwnd, RECT r, bool repaint, UINT sizeKind)
{
    bool moved, sized;
    RECT client;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return;
        r.right = std::max(r.right, r.left);
        r.bottom = std::max(r.bottom, r.top);
        moved = r.left != n->rect.left || r.top != n->rect.top;
        sized = (r.right - r.left) != (n->rect.right - n->rect.left) || (r.bottom - r.top) != (n->rect.bottom - n->rect.top);
        NoteCovered(*n);  // where it was
        n->rect = r;
        ResizeSurface(*n);
        client = ClientRectOf(*n);
        if (sized || repaint) InvalidateNode(*n, nullptr, true);
        if (n->host) HostSyncGeometry(*n);
        NoteCovered(*n);  // where it is
    }
    if (sized) SendMessage(hwnd, WM_SIZE, sizeKind, MAKELPARAM(client.right, client.bottom));
    if (moved) SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
}

}  // namespace platform::user::detail

namespace {

UINT sizeKindOf(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return SIZE_RESTORED;
    return n->minimized ? SIZE_MINIMIZED : n->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
}

}  // namespace

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    if (!IsWindow(hwnd)) return FALSE;
    ApplyRect(hwnd, RECT{x, y, x + std::max(0, width), y + std::max(0, height)}, repaint != 0, sizeKindOf(hwnd));
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    RECT r;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return FALSE;
        r = n->rect;
        if (!(flags & SWP_NOZORDER) && (n->style & WS_CHILD)) {
            if (Node* p = Find(n->parent)) {
                std::erase(p->children, hwnd);
                if (insertAfter == HWND_BOTTOM) {
                    p->children.insert(p->children.begin(), hwnd);
                } else if (insertAfter == HWND_TOP) {
                    p->children.push_back(hwnd);
                } else {
                    auto it = std::find(p->children.begin(), p->children.end(), insertAfter);
                    p->children.insert(it, hwnd);  // just below insertAfter
                }
                NoteCovered(*n);
            }
        }
    }
    if (!(flags & SWP_NOMOVE)) r = RECT{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
    if (!(flags & SWP_NOSIZE)) r.right = r.left + std::max(0, cx), r.bottom = r.top + std::max(0, cy);
    ApplyRect(hwnd, r, !(flags & SWP_NOREDRAW) && (flags & SWP_FRAMECHANGED), sizeKindOf(hwnd));
    if (flags & SWP_FRAMECHANGED) {
        std::lock_guard lock(TreeMutex());
        if (Node* n = Find(hwnd)) {
            ResizeSurface(*n);
            InvalidateNode(*n, nullptr, true);
        }
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    return TRUE;
}

HWND WindowFromPoint(POINT screen) { return platform::user::input::WindowAtScreenPoint(screen, nullptr); }
