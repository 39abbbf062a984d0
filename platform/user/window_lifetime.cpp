// Creation and destruction of windows.
#include <algorithm>

#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/surface.h"
#include "platform/user/window_tree.h"

using namespace platform::user::detail;
using namespace platform::user;

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE, LPVOID param)
{
    if ((style & WS_CHILD) && !IsWindow(parent)) return nullptr;
    if (parent != nullptr && !IsWindow(parent)) parent = nullptr;
    HWND hwnd = AllocateWindowHandle();
    {
        std::lock_guard lock(TreeMutex());
        auto node = std::make_unique<Node>();
        Node& n = *node;
        n.hwnd = hwnd;
        n.parent = parent;
        const WindowClass windowClass = FindWindowClass(className);
        n.classStyle = windowClass.style;
        n.classProc = windowClass.proc;
        n.style = style & ~WS_VISIBLE;
        n.exStyle = exStyle;
        n.id = (style & WS_CHILD) ? static_cast<int>(reinterpret_cast<UINT_PTR>(menuOrId)) : 0;
        n.text = windowName ? windowName : "";
        n.rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
        n.restoreRect = n.rect;
        n.proc = n.classProc;
        n.thread = std::this_thread::get_id();
        n.cursor = LoadCursor(nullptr, IDC_ARROW);
        ResizeSurface(n);
        AddNode(std::move(node));
    }
    RunPendingAttach(hwnd);
    CREATESTRUCT cs{param, nullptr, menuOrId, parent, height, width, y, x, static_cast<LONG>(style), windowName, className, exStyle};
    bool ok = SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) != 0;
    if (ok && IsWindow(hwnd)) ok = SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) != -1;
    if (!ok || !IsWindow(hwnd)) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n->parent == nullptr || !(n->style & WS_CHILD)) HostCreate(*n);
    }
    RECT c;
    GetClientRect(hwnd, &c);
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
    RECT w;
    {
        std::lock_guard lock(TreeMutex());
        w = Find(hwnd)->rect;
    }
    SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(w.left, w.top));
    if (IsWindow(hwnd) && (style & WS_VISIBLE)) {
        int cmd = (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW;
        ShowWindow(hwnd, cmd);
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

namespace {

void sendDestroy(HWND hwnd)
{
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard lock(TreeMutex());
        if (Node* n = Find(hwnd)) children = n->children;
    }
    for (HWND c : children) sendDestroy(c);
}

void sendNcDestroyAndFree(HWND hwnd)
{
    std::vector<HWND> children;
    {
        std::lock_guard lock(TreeMutex());
        if (Node* n = Find(hwnd)) children = n->children;
    }
    for (HWND c : children) sendNcDestroyAndFree(c);
    SendMessage(hwnd, WM_NCDESTROY, 0, 0);
    DropTimersOf(hwnd);
    platform::user::input::ForgetWindow(hwnd);
    std::unique_ptr<Node> dead;
    {
        std::lock_guard lock(TreeMutex());
        dead = RemoveNode(hwnd);
        if (dead == nullptr) return;
    }
    HostDestroy(*dead);
    if (dead->systemMenu) DestroyMenu(dead->systemMenu);
    ReleaseWindowHandle(hwnd);
    OnWindowDestroyed(hwnd);
}

}  // namespace

BOOL DestroyWindow(HWND hwnd)
{
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr || n->destroying) return FALSE;
        n->destroying = true;
        if (n->style & WS_VISIBLE) NoteCovered(*n);
        n->style &= ~WS_VISIBLE;
    }
    platform::user::input::ForgetWindowTree(hwnd);
    sendDestroy(hwnd);
    sendNcDestroyAndFree(hwnd);
    return TRUE;
}
