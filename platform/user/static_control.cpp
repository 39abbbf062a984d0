// The static control: text aligned as its style says, an icon, or drawn by its owner; it tells
// its parent of clicks only with SS_NOTIFY, and is transparent to the mouse otherwise.
#include "platform/user/builtin_controls.h"

namespace platform::user::detail {

namespace {

// An SS_ICON static's icon, loaded by name from its text.
struct StaticState : ControlState {
    HICON icon = nullptr;
};

void loadIcon(HWND hwnd, const CREATESTRUCT* cs)
{
    if ((static_cast<DWORD>(cs->style) & SS_TYPEMASK) != SS_ICON || cs->lpszName == nullptr || *cs->lpszName == '\0') return;
    HICON icon = LoadIcon(cs->hInstance, cs->lpszName);
    std::lock_guard lock(TreeMutex());
    if (Node* n = Find(hwnd)) ControlStateOf<StaticState>(*n).icon = icon;
}

// Statics show their text (left, centred or right as their style says) or their icon; they never
// take the look of another class.
ControlLook lookOf(HWND hwnd, DWORD style)
{
    ControlLook look;
    switch (style & SS_TYPEMASK) {
    case SS_ICON: {
        look.kind = ControlLook::Kind::Icon;
        std::lock_guard lock(TreeMutex());
        if (Node* n = Find(hwnd)) look.icon = ControlStateOf<StaticState>(*n).icon;
        return look;
    }
    case SS_CENTER:
        look.align = ControlLook::Align::Center;
        break;
    case SS_RIGHT:
        look.align = ControlLook::Align::Right;
        break;
    default:
        break;
    }
    look.text = WindowText(hwnd);
    return look;
}

}  // namespace

LRESULT StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
    switch (message) {
    case WM_NCCREATE:
        loadIcon(hwnd, reinterpret_cast<const CREATESTRUCT*>(lParam));
        return DefWindowProc(hwnd, message, wParam, lParam);
    case WM_NCHITTEST:
        return (style & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONDOWN:
        if (style & SS_NOTIFY) NotifyParent(hwnd, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (style & SS_NOTIFY) NotifyParent(hwnd, STN_DBLCLK);
        return 0;
    case WM_PAINT:
        if ((style & SS_TYPEMASK) == SS_OWNERDRAW) PaintOwnerDrawn(hwnd, OwnerDrawItem{ODT_STATIC});
        else PaintStandardLook(hwnd, lookOf(hwnd, style));
        return 0;
    case WM_SETTEXT: {
        LRESULT r = DefWindowProc(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

}  // namespace platform::user::detail
