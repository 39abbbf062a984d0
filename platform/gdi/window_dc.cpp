// Device contexts of windows: paint, client and window DCs over each window's surface, and the
// bridge that lets the window layer reach them.
#include <mutex>

#include "platform/gdi/gdi_access.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/user/gdi_bridge.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"

using namespace platform::gdi::detail;

namespace {

HDC MakeWindowDC(HWND hwnd, const RECT& clip, bool paint)
{
    if (!IsWindow(hwnd)) return nullptr;
    platform::gdi::InstallWindowBridge();
    auto d = std::make_unique<HDC__>();
    d->hwnd = hwnd;
    d->clip = clip;
    d->paint = paint;
    return RegisterDC(std::move(d));
}

RECT ClientRect(HWND hwnd)
{
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

bool SolidBrushColor(HBRUSH brush, COLORREF* color)
{
    auto obj = Find(brush, OBJ_BRUSH);
    if (!obj) return false;
    auto* b = static_cast<HBRUSH__*>(obj.get());
    if (b->hollow) return false;
    if (color) *color = b->color;
    return true;
}

// The standard look of the built-in controls that the program leaves to the system: text of a
// static control, a push button's face, a check box and a combo box field.
void DrawControl(HWND hwnd, HDC dc)
{
    RECT r = ClientRect(hwnd);
    char text[512] = {0};
    GetWindowText(hwnd, text, sizeof text);
    DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    UINT format = DT_SINGLELINE | DT_VCENTER;
    DWORD kind = style & BS_TYPEMASK;
    if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
        FillRect(dc, &r, face);
        HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, oldPen);
        SelectObject(dc, old);
        format |= DT_CENTER;
    } else if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX) {
        int box = 13, top = (r.top + r.bottom - box) / 2;
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        HGDIOBJ old = SelectObject(dc, GetStockObject(WHITE_BRUSH));
        Rectangle(dc, r.left, top, r.left + box, top + box);
        if (SendMessage(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            MoveToEx(dc, r.left + 3, top + 6, nullptr), LineTo(dc, r.left + 5, top + 9), LineTo(dc, r.left + 10, top + 3);
        }
        SelectObject(dc, old);
        SelectObject(dc, oldPen);
        r.left += box + 4;
    }
    DrawText(dc, text, -1, &r, format);
    DeleteObject(face);
}

}  // namespace

namespace platform::gdi {

void InstallWindowBridge()
{
    static std::once_flag once;
    std::call_once(once, [] {
        platform::user::GdiBridge bridge;
        bridge.getWindowDC = [](HWND hwnd) { return ::GetDC(hwnd); };
        bridge.releaseWindowDC = [](HWND hwnd, HDC dc) { ::ReleaseDC(hwnd, dc); };
        bridge.dcFromHandle = [](HDC dc) { return CDC::FromHandle(dc); };
        bridge.solidBrushColor = SolidBrushColor;
        bridge.drawControl = DrawControl;
        platform::user::SetGdiBridge(bridge);
    });
}

}  // namespace platform::gdi

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint)
{
    if (!paint || !IsWindow(hwnd)) return nullptr;
    *paint = PAINTSTRUCT{};
    RECT update{};
    BOOL erase = FALSE;
    platform::user::TakeUpdateRegion(hwnd, &update, &erase);
    HDC dc = MakeWindowDC(hwnd, update, true);
    if (!dc) return nullptr;
    paint->hdc = dc;
    paint->rcPaint = update;
    // fErase stays set when the window's erase handler did not erase.
    paint->fErase = erase ? (SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE) : FALSE;
    return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint)
{
    if (!paint) return FALSE;
    HDC__* d = FindDC(paint->hdc);
    if (!d || !d->hwnd) return FALSE;
    RECT changed = d->clip;
    HWND owner = d->hwnd;
    UnregisterDC(paint->hdc);
    if (IsWindow(owner)) platform::user::MarkSurfaceChanged(owner, &changed);
    return TRUE;
}

HDC GetDC(HWND hwnd) { return IsWindow(hwnd) ? MakeWindowDC(hwnd, ClientRect(hwnd), false) : nullptr; }

int ReleaseDC(HWND hwnd, HDC dc)
{
    HDC__* d = FindDC(dc);
    if (!d || !d->hwnd || d->paint) return 0;
    HWND owner = d->hwnd;
    UnregisterDC(dc);
    if (IsWindow(owner)) platform::user::MarkSurfaceChanged(owner, nullptr);
    return 1;
}

HWND WindowFromDC(HDC dc)
{
    HDC__* d = FindDC(dc);
    return d ? d->hwnd : nullptr;
}
