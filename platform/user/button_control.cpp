// The button: pressed while the mouse holds it down over it, a click told to its parent when the
// mouse is let go over it; check boxes keep their check mark. Drawn in the standard look or by its
// owner.
#include <utility>

#include "platform/user/builtin_controls.h"

namespace platform::user::detail {

namespace {

struct ButtonState : ControlState {
    bool pressed = false;  // held down by the mouse (or BM_SETSTATE)
    int check = BST_UNCHECKED;
};

bool isCheckType(DWORD style)
{
    DWORD type = style & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
}

// The button's state as it stands.
ButtonState stateOf(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n ? ControlStateOf<ButtonState>(*n) : ButtonState{};
}

// Changes the button's state (nothing for a dead window); a change is repainted.
template <class Change>
void changeState(HWND hwnd, Change change)
{
    bool changed = false;
    {
        std::lock_guard lock(TreeMutex());
        if (Node* n = Find(hwnd)) changed = change(ControlStateOf<ButtonState>(*n), *n);
    }
    if (changed) InvalidateRect(hwnd, nullptr, TRUE);
}

void setPressed(HWND hwnd, bool pressed)
{
    changeState(hwnd, [pressed](ButtonState& s, const Node&) { return std::exchange(s.pressed, pressed) != pressed; });
}

void release(HWND hwnd, DWORD style)
{
    if (GetCapture() != hwnd) return;
    bool wasPressed = stateOf(hwnd).pressed;
    setPressed(hwnd, false);
    ReleaseCapture();
    if (!wasPressed) return;
    if ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        changeState(hwnd, [](ButtonState& s, const Node&) {
            s.check = s.check ? BST_UNCHECKED : BST_CHECKED;
            return false;
        });
    }
    NotifyParent(hwnd, BN_CLICKED);
}

void paint(HWND hwnd, DWORD style)
{
    ButtonState state = stateOf(hwnd);
    if ((style & BS_TYPEMASK) == BS_OWNERDRAW) {
        UINT itemState = (state.pressed ? ODS_SELECTED : 0u) | (state.check ? ODS_CHECKED : 0u);
        PaintOwnerDrawn(hwnd, OwnerDrawItem{ODT_BUTTON, 0, 0, itemState});
        return;
    }
    ControlLook look;
    look.kind = isCheckType(style) ? ControlLook::Kind::CheckBox : ControlLook::Kind::PushButton;
    look.text = WindowText(hwnd);
    look.checked = state.check == BST_CHECKED;
    PaintStandardLook(hwnd, look);
}

}  // namespace

LRESULT ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetFocus(hwnd);
        SetCapture(hwnd);
        setPressed(hwnd, true);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == hwnd) {
            RECT c;
            GetClientRect(hwnd, &c);
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            setPressed(hwnd, p.x >= 0 && p.y >= 0 && p.x < c.right && p.y < c.bottom);
        }
        return 0;
    case WM_LBUTTONUP:
        release(hwnd, style);
        return 0;
    case WM_CAPTURECHANGED:
        setPressed(hwnd, false);
        return 0;
    case BM_GETCHECK:
        return stateOf(hwnd).check;
    case BM_SETCHECK:
        changeState(hwnd, [wParam](ButtonState& s, const Node& n) {
            if (!isCheckType(n.style)) return false;
            s.check = static_cast<int>(wParam);
            return true;
        });
        return 0;
    case BM_GETSTATE: {
        ButtonState state = stateOf(hwnd);
        return state.check | (state.pressed ? BST_PUSHED : 0);
    }
    case BM_SETSTATE:
        setPressed(hwnd, wParam != 0);
        return 0;
    case BM_SETSTYLE:
        SetWindowLong(hwnd, GWL_STYLE, static_cast<LONG_PTR>((style & ~0xFFFFu) | (wParam & 0xFFFFu)));
        if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case BM_CLICK:
        NotifyParent(hwnd, BN_CLICKED);
        return 0;
    case WM_PAINT:
        paint(hwnd, style);
        return 0;
    case WM_SETTEXT:
    case WM_ENABLE: {
        LRESULT r = DefWindowProc(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

}  // namespace platform::user::detail
