// Messages, styles, codes and records of the window layer, and the point, size and rectangle
// classes its handlers take.
#pragma once

#include <algorithm>
#include <utility>

#include "platform/kernel/win_types.h"
#include "platform/user/message_queue.h"

// Window messages.
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_MOVE 0x0003u
#define WM_SIZE 0x0005u
#define WM_ACTIVATE 0x0006u
#define WM_SETFOCUS 0x0007u
#define WM_KILLFOCUS 0x0008u
#define WM_ENABLE 0x000Au
#define WM_SETTEXT 0x000Cu
#define WM_GETTEXT 0x000Du
#define WM_GETTEXTLENGTH 0x000Eu
#define WM_PAINT 0x000Fu
#define WM_CLOSE 0x0010u
#define WM_ERASEBKGND 0x0014u
#define WM_SHOWWINDOW 0x0018u
#define WM_CANCELMODE 0x001Fu
#define WM_SETCURSOR 0x0020u
#define WM_MOUSEACTIVATE 0x0021u
#define WM_ICONERASEBKGND 0x0027u
#define WM_DRAWITEM 0x002Bu
#define WM_MEASUREITEM 0x002Cu
#define WM_QUERYDRAGICON 0x0037u
#define WM_WINDOWPOSCHANGED 0x0047u
#define WM_NOTIFY 0x004Eu
#define WM_SETICON 0x0080u
#define ICON_SMALL 0
#define ICON_BIG 1
#define WM_NCCREATE 0x0081u
#define WM_NCDESTROY 0x0082u
#define WM_NCHITTEST 0x0084u
#define WM_NCACTIVATE 0x0086u
#define WM_GETDLGCODE 0x0087u
#define WM_NCMOUSEMOVE 0x00A0u
#define WM_NCLBUTTONDOWN 0x00A1u
#define WM_NCLBUTTONUP 0x00A2u
#define WM_NCLBUTTONDBLCLK 0x00A3u
#define WM_NCRBUTTONDOWN 0x00A4u
#define WM_NCRBUTTONUP 0x00A5u
#define WM_KEYDOWN 0x0100u
#define WM_KEYUP 0x0101u
#define WM_CHAR 0x0102u
#define WM_SYSKEYDOWN 0x0104u
#define WM_SYSKEYUP 0x0105u
#define WM_INITDIALOG 0x0110u
#define WM_COMMAND 0x0111u
#define WM_SYSCOMMAND 0x0112u
#define WM_TIMER 0x0113u
#define WM_VSCROLL 0x0115u
#define WM_CTLCOLORMSGBOX 0x0132u
#define WM_CTLCOLOREDIT 0x0133u
#define WM_CTLCOLORLISTBOX 0x0134u
#define WM_CTLCOLORBTN 0x0135u
#define WM_CTLCOLORDLG 0x0136u
#define WM_CTLCOLORSCROLLBAR 0x0137u
#define WM_CTLCOLORSTATIC 0x0138u
#define WM_MOUSEFIRST 0x0200u
#define WM_MOUSEMOVE 0x0200u
#define WM_LBUTTONDOWN 0x0201u
#define WM_LBUTTONUP 0x0202u
#define WM_LBUTTONDBLCLK 0x0203u
#define WM_RBUTTONDOWN 0x0204u
#define WM_RBUTTONUP 0x0205u
#define WM_RBUTTONDBLCLK 0x0206u
#define WM_MBUTTONDOWN 0x0207u
#define WM_MBUTTONUP 0x0208u
#define WM_MOUSEWHEEL 0x020Au
#define WM_MOUSEHWHEEL 0x020Eu
#define WM_MOUSELAST 0x020Eu
#define WM_CAPTURECHANGED 0x0215u
#define WM_DEVICECHANGE 0x0219u
#define WM_MOUSELEAVE 0x02A3u
// The class library's reflection of notifications back to the control that sent them.
#define WM_REFLECT_BASE 0xBC00u

// What WM_CTLCOLOR handlers are asked for (the class library folds the WM_CTLCOLOR* messages).
#define CTLCOLOR_MSGBOX 0u
#define CTLCOLOR_EDIT 1u
#define CTLCOLOR_LISTBOX 2u
#define CTLCOLOR_BTN 3u
#define CTLCOLOR_DLG 4u
#define CTLCOLOR_SCROLLBAR 5u
#define CTLCOLOR_STATIC 6u

// Window styles.
#define WS_OVERLAPPED 0x00000000u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_MINIMIZE 0x20000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CLIPSIBLINGS 0x04000000u
#define WS_CLIPCHILDREN 0x02000000u
#define WS_MAXIMIZE 0x01000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_DLGFRAME 0x00400000u
#define WS_VSCROLL 0x00200000u
#define WS_HSCROLL 0x00100000u
#define WS_SYSMENU 0x00080000u
#define WS_THICKFRAME 0x00040000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define WS_MINIMIZEBOX 0x00020000u
#define WS_MAXIMIZEBOX 0x00010000u
#define WS_EX_APPWINDOW 0x00040000u
// A window that never becomes the active window (a popup menu): on the display it is shown above
// the others without a frame and takes no focus.
#define WS_EX_NOACTIVATE 0x08000000u
#define DS_SETFONT 0x40u
#define DS_MODALFRAME 0x80u
#define DS_FIXEDSYS 0x08u
#define DS_CENTER 0x0800u

// Static control styles.
#define SS_LEFT 0x00u
#define SS_CENTER 0x01u
#define SS_RIGHT 0x02u
#define SS_ICON 0x03u
#define SS_OWNERDRAW 0x0Du
#define SS_TYPEMASK 0x1Fu
#define SS_NOTIFY 0x0100u
#define STN_CLICKED 0u
#define STN_DBLCLK 1u

// Button styles, messages and notifications.
#define BS_PUSHBUTTON 0x00u
#define BS_DEFPUSHBUTTON 0x01u
#define BS_CHECKBOX 0x02u
#define BS_AUTOCHECKBOX 0x03u
#define BS_OWNERDRAW 0x0Bu
#define BS_TYPEMASK 0x0Fu
#define BM_GETCHECK 0x00F0u
#define BM_SETCHECK 0x00F1u
#define BM_GETSTATE 0x00F2u
#define BM_SETSTATE 0x00F3u
#define BM_SETSTYLE 0x00F4u
#define BM_CLICK 0x00F5u
#define BST_UNCHECKED 0u
#define BST_CHECKED 1u
#define BST_PUSHED 4u
#define BN_CLICKED 0u

// Combo box styles and messages.
#define CBS_SIMPLE 0x01u
#define CBS_DROPDOWN 0x02u
#define CBS_DROPDOWNLIST 0x03u
#define CBS_OWNERDRAWFIXED 0x10u
#define CBS_OWNERDRAWVARIABLE 0x20u
#define CBS_HASSTRINGS 0x200u
#define CB_ERR (-1)
#define CB_ADDSTRING 0x0143u
#define CB_DELETESTRING 0x0144u
#define CB_GETCOUNT 0x0146u
#define CB_GETCURSEL 0x0147u
#define CB_GETLBTEXT 0x0148u
#define CB_GETLBTEXTLEN 0x0149u
#define CB_INSERTSTRING 0x014Au
#define CB_RESETCONTENT 0x014Bu
#define CB_SETCURSEL 0x014Eu
#define CB_GETITEMDATA 0x0150u
#define CB_SETITEMDATA 0x0151u
#define CB_SETITEMHEIGHT 0x0153u
#define CB_GETITEMHEIGHT 0x0154u
#define CBN_SELCHANGE 1u

// Owner drawing.
#define ODT_BUTTON 4u
#define ODT_COMBOBOX 3u
#define ODT_STATIC 5u
#define ODA_DRAWENTIRE 0x0001u
#define ODA_SELECT 0x0002u
#define ODA_FOCUS 0x0004u
#define ODS_SELECTED 0x0001u
#define ODS_GRAYED 0x0002u
#define ODS_DISABLED 0x0004u
#define ODS_CHECKED 0x0008u
#define ODS_FOCUS 0x0010u

// ShowWindow commands and WM_SIZE kinds.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10
#define SIZE_RESTORED 0u
#define SIZE_MINIMIZED 1u
#define SIZE_MAXIMIZED 2u

// SetWindowPos.
#define SWP_NOSIZE 0x0001u
#define SWP_NOMOVE 0x0002u
#define SWP_NOZORDER 0x0004u
#define SWP_NOREDRAW 0x0008u
#define SWP_NOACTIVATE 0x0010u
#define SWP_FRAMECHANGED 0x0020u
#define SWP_SHOWWINDOW 0x0040u
#define SWP_HIDEWINDOW 0x0080u
#define HWND_TOP (reinterpret_cast<HWND>(0))
#define HWND_BOTTOM (reinterpret_cast<HWND>(1))

// Window words.
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_ID (-12)
#define GWLP_USERDATA (-21)

// Hit-test results of WM_NCHITTEST.
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2
#define HTSYSMENU 3

// Mouse-key flags of mouse messages.
#define MK_LBUTTON 0x0001u
#define MK_RBUTTON 0x0002u
#define MK_SHIFT 0x0004u
#define MK_CONTROL 0x0008u
#define MK_MBUTTON 0x0010u
#define WHEEL_DELTA 120

// Virtual keys.
#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_MBUTTON 0x04
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E
#define VK_F1 0x70
#define VK_F4 0x73

// WM_ACTIVATE states.
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

// System commands.
#define SC_SIZE 0xF000u
#define SC_MOVE 0xF010u
#define SC_MINIMIZE 0xF020u
#define SC_MAXIMIZE 0xF030u
#define SC_CLOSE 0xF060u
#define SC_KEYMENU 0xF100u
#define SC_RESTORE 0xF120u

// Menus.
#define MF_STRING 0x0000u
#define MF_SEPARATOR 0x0800u
#define MF_BYCOMMAND 0x0000u
#define MF_BYPOSITION 0x0400u
#define MF_GRAYED 0x0001u

// Dialog results and message boxes.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDC_STATIC (-1)
#define MB_OK 0x0000u
#define MB_OKCANCEL 0x0001u
#define MB_YESNOCANCEL 0x0003u
#define MB_YESNO 0x0004u
#define MB_TYPEMASK 0x000Fu
#define MB_ICONERROR 0x0010u
#define MB_ICONQUESTION 0x0020u
#define MB_ICONWARNING 0x0030u
#define MB_ICONINFORMATION 0x0040u
#define MB_DEFBUTTON1 0x0000u
#define MB_DEFBUTTON2 0x0100u
#define MB_DEFBUTTON3 0x0200u
#define MB_DEFMASK 0x0F00u

// Mouse tracking.
#define TME_LEAVE 0x00000002u
#define TME_CANCEL 0x80000000u
#define HOVER_DEFAULT 0xFFFFFFFFu
struct TRACKMOUSEEVENT {
    DWORD cbSize;
    DWORD dwFlags;
    HWND hwndTrack;
    DWORD dwHoverTime;
};
using LPTRACKMOUSEEVENT = TRACKMOUSEEVENT*;

// Standard cursors, passed to LoadCursor with a null instance.
#define IDC_ARROW (reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(32512)))
#define IDC_IBEAM (reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(32513)))
#define IDC_WAIT (reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(32514)))
#define IDC_CROSS (reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(32515)))
#define IDC_SIZEALL (reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(32646)))
#define IDC_HAND (reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(32649)))
#define MAKEINTRESOURCE(i) (reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<UINT_PTR>(p) >> 16) == 0)

// Timers.
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// Records carried by messages.
struct CREATESTRUCT {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};
using LPCREATESTRUCT = CREATESTRUCT*;

struct DRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemAction;
    UINT itemState;
    HWND hwndItem;
    HDC hDC;
    RECT rcItem;
    UINT_PTR itemData;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

struct MEASUREITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemWidth;
    UINT itemHeight;
    UINT_PTR itemData;
};
using LPMEASUREITEMSTRUCT = MEASUREITEMSTRUCT*;

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
using LPNMHDR = NMHDR*;

// The class library's point, size and rectangle, over the Windows records.
class CPoint : public POINT {
public:
    CPoint() : POINT{0, 0} {}
    CPoint(int x_, int y_) : POINT{x_, y_} {}
    CPoint(POINT p) : POINT(p) {}
    explicit CPoint(LPARAM lParam)
        : POINT{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))), static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)))}
    {
    }
    bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
    CPoint operator-(const CPoint& o) const { return CPoint(x - o.x, y - o.y); }
    CPoint operator+(const CPoint& o) const { return CPoint(x + o.x, y + o.y); }
};

class CSize : public SIZE {
public:
    CSize() : SIZE{0, 0} {}
    CSize(int cx_, int cy_) : SIZE{cx_, cy_} {}
    bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
};

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}
    CRect(POINT p, SIZE s) : RECT{p.x, p.y, p.x + s.cx, p.y + s.cy} {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    BOOL IsRectEmpty() const { return left >= right || top >= bottom; }
    BOOL PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    void SetRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void OffsetRect(int dx, int dy) { left += dx, right += dx, top += dy, bottom += dy; }
    void DeflateRect(int dx, int dy) { left += dx, right -= dx, top += dy, bottom -= dy; }
    void InflateRect(int dx, int dy) { DeflateRect(-dx, -dy); }
    void NormalizeRect()
    {
        if (left > right) std::swap(left, right);
        if (top > bottom) std::swap(top, bottom);
    }
    BOOL IntersectRect(LPCRECT a, LPCRECT b);
    bool operator==(const RECT& o) const { return left == o.left && top == o.top && right == o.right && bottom == o.bottom; }
    bool operator!=(const RECT& o) const { return !(*this == o); }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};

inline BOOL CRect::IntersectRect(LPCRECT a, LPCRECT b)
{
    left = std::max(a->left, b->left);
    top = std::max(a->top, b->top);
    right = std::min(a->right, b->right);
    bottom = std::min(a->bottom, b->bottom);
    if (left >= right || top >= bottom) {
        SetRectEmpty();
        return FALSE;
    }
    return TRUE;
}

// Packs and unpacks message parameters.
inline constexpr LPARAM MAKELPARAM(int lo, int hi)
{
    return static_cast<LPARAM>(static_cast<DWORD>(static_cast<WORD>(lo)) | (static_cast<DWORD>(static_cast<WORD>(hi)) << 16));
}
inline constexpr WPARAM MAKEWPARAM(int lo, int hi) { return static_cast<WPARAM>(static_cast<DWORD>(MAKELPARAM(lo, hi))); }
inline constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<short>(LOWORD(static_cast<DWORD_PTR>(l))); }
inline constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<short>(HIWORD(static_cast<DWORD_PTR>(l))); }
inline constexpr short GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<short>(HIWORD(w)); }
