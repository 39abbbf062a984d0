// Dispatching messages, and the generic default handling of every message.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/surface.h"
#include "platform/user/window_tree.h"

using namespace platform::user::detail;
using namespace platform::user;

LRESULT DispatchMessage(const MSG* msg)
{
    if (msg == nullptr) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    if (msg->hwnd == nullptr) return 0;
    if (msg->message != WM_PAINT) return CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    auto start = std::chrono::steady_clock::now();
    LRESULT result = CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    std::lock_guard lock(TreeMutex());
    if (Node* n = Find(msg->hwnd)) n->lastPaint = std::chrono::steady_clock::now() - start;
    return result;
}

BOOL TranslateMessage(const MSG* msg)
{
    return msg != nullptr && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) ? TRUE : FALSE;
}

void platform::user::detail::ErasePaintArea(HWND hwnd, std::uint32_t pixel)
{
    RECT r;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return;
        r = n->paintRect;
        if (r.left >= r.right || r.top >= r.bottom) r = ClientRectOf(*n);
    }
    FillSurface(hwnd, &r, pixel);
}

namespace {

LRESULT defaultSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    HWND parent = GetParent(hwnd);
    if (parent != nullptr && (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD) && SendMessage(parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
    if (static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))) == HTCLIENT) {
        HCURSOR c;
        {
            std::lock_guard lock(TreeMutex());
            Node* n = Find(hwnd);
            c = n ? n->cursor : nullptr;
        }
        if (c != nullptr) SetCursor(c);
    } else {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
    }
    return FALSE;
}

// Keeps the window's big or small icon, which a top-level window hands to the display; returns
// the one it replaces.
HICON setWindowIcon(HWND hwnd, bool big, HICON icon)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return nullptr;
    HICON& kept = big ? n->bigIcon : n->smallIcon;
    const HICON old = kept;
    kept = icon;
    HostSetIcon(*n);
    return old;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_PAINT:
        TakeUpdateRegion(hwnd, nullptr, nullptr);
        return 0;
    case WM_ERASEBKGND:
        ErasePaintArea(hwnd, 0);
        return 1;
    case WM_ICONERASEBKGND:
        return 1;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_NCACTIVATE:
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !(GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD)) SetFocus(hwnd);
        return 0;
    case WM_SETTEXT: {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return FALSE;
        n->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        if (n->host) HostSetTitle(*n);
        return TRUE;
    }
    case WM_GETTEXT: {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr || wParam == 0 || lParam == 0) return 0;
        std::size_t count = std::min<std::size_t>(n->text.size(), wParam - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), n->text.data(), count);
        reinterpret_cast<char*>(lParam)[count] = '\0';
        return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH: {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        return n ? static_cast<LRESULT>(n->text.size()) : 0;
    }
    case WM_NCHITTEST: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT w, c;
        GetWindowRect(hwnd, &w);
        GetClientRect(hwnd, &c);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        if (p.x >= origin.x && p.y >= origin.y && p.x < origin.x + c.right && p.y < origin.y + c.bottom) return HTCLIENT;
        if (p.x >= w.left && p.y >= w.top && p.x < w.right && p.y < w.bottom) return 18;  // HTBORDER
        return HTNOWHERE;
    }
    case WM_SETCURSOR:
        return defaultSetCursor(hwnd, wParam, lParam);
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
        HWND parent = GetParent(hwnd);
        if (parent != nullptr && (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD)) return SendMessage(parent, message, wParam, lParam);
        return 0;
    }
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION) SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
        return 0;
    case WM_NCRBUTTONUP:
        if (wParam == HTCAPTION) platform::user::ShowSystemMenu(RootOf(hwnd), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_SETICON:
        return reinterpret_cast<LRESULT>(setWindowIcon(hwnd, wParam == ICON_BIG, reinterpret_cast<HICON>(lParam)));
    case WM_SYSKEYDOWN:
        if (wParam == VK_SPACE) SendMessage(platform::user::detail::RootOf(hwnd), WM_SYSCOMMAND, SC_KEYMENU, ' ');
        if (wParam == VK_F4) SendMessage(platform::user::detail::RootOf(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MOVE:
            platform::user::input::BeginMoveDrag(platform::user::detail::RootOf(hwnd), (wParam & 0xF) == HTCAPTION);
            return 0;
        case SC_MINIMIZE:
            ShowWindow(hwnd, SW_MINIMIZE);
            return 0;
        case SC_MAXIMIZE:
            ShowWindow(hwnd, SW_MAXIMIZE);
            return 0;
        case SC_RESTORE:
            ShowWindow(hwnd, SW_RESTORE);
            return 0;
        case SC_CLOSE:
            SendMessage(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case SC_KEYMENU: {
            HWND root = platform::user::detail::RootOf(hwnd);
            RECT r{};
            GetWindowRect(root, &r);
            platform::user::ShowSystemMenu(root, POINT{r.left, r.top});
            return 0;
        }
        default:
            return 0;
        }
    case WM_QUERYDRAGICON:
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return 0;
    default:
        return 0;
    }
}
