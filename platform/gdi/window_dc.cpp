// Device contexts of windows: paint, client and window DCs over each window's surface, and the
// bridge that lets the window layer reach them.
#include <mutex>
#include <string>

#include "platform/gdi/gdi_access.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/icon.h"
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

// A frame in the DC's pen around a rectangle filled with the brush.
void FramedBox(HDC dc, const RECT& r, HGDIOBJ brush)
{
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

void DrawPushButton(HDC dc, RECT r, const std::string& text)
{
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FramedBox(dc, r, face);
    DeleteObject(face);
    DrawText(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

void DrawCheckBox(HDC dc, RECT r, const std::string& text, bool checked)
{
    const int box = 13, top = (r.top + r.bottom - box) / 2;
    FramedBox(dc, RECT{r.left, top, r.left + box, top + box}, GetStockObject(WHITE_BRUSH));
    if (checked) {
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        MoveToEx(dc, r.left + 3, top + 6, nullptr), LineTo(dc, r.left + 5, top + 9), LineTo(dc, r.left + 10, top + 3);
        SelectObject(dc, oldPen);
    }
    r.left += box + 4;
    DrawText(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER);
}

void FillWithSysColor(HDC dc, const RECT& r, int index)
{
    HBRUSH brush = CreateSolidBrush(GetSysColor(index));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// A popup menu: its lines on the button face inside a shadow-coloured frame; the highlighted line
// in the highlight colours; a separator as a line across its band.
void DrawMenu(HDC dc, const RECT& r, const platform::user::ControlLook& look)
{
    FillWithSysColor(dc, r, COLOR_BTNSHADOW);
    FillWithSysColor(dc, RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, COLOR_BTNFACE);
    for (std::size_t i = 0; i < look.menu.size(); ++i) {
        const platform::user::MenuLine& line = look.menu[i];
        if (line.separator) {
            const LONG middle = (line.rect.top + line.rect.bottom) / 2;
            FillWithSysColor(dc, RECT{line.rect.left, middle, line.rect.right, middle + 1}, COLOR_BTNSHADOW);
            continue;
        }
        const bool highlighted = static_cast<int>(i) == look.highlighted && !line.grayed;
        if (highlighted) FillWithSysColor(dc, line.rect, COLOR_HIGHLIGHT);
        SetTextColor(dc, GetSysColor(line.grayed ? COLOR_GRAYTEXT : highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT text = line.textRect;
        DrawText(dc, line.text.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }
}

SIZE MeasureControlText(const std::string& text)
{
    HDC dc = CreateCompatibleDC(nullptr);
    RECT r{0, 0, 0, 0};
    DrawText(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT);
    DeleteDC(dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

bool IconPixels(HICON icon, int* width, int* height, std::vector<std::uint32_t>* pixels)
{
    if (!IsLiveIcon(icon)) return false;
    *width = icon->width;
    *height = icon->height;
    *pixels = icon->pixels;
    return true;
}

UINT StaticTextFormat(platform::user::ControlLook::Align align)
{
    using Align = platform::user::ControlLook::Align;
    UINT horizontal = align == Align::Center ? DT_CENTER : align == Align::Right ? DT_RIGHT : DT_LEFT;
    return horizontal | DT_WORDBREAK;
}

// The standard look of the built-in controls that the program leaves to the system.
void DrawControl(HWND hwnd, HDC dc, const platform::user::ControlLook& look)
{
    using Kind = platform::user::ControlLook::Kind;
    RECT r = ClientRect(hwnd);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    switch (look.kind) {
    case Kind::Icon:
        if (look.icon) DrawIcon(dc, 0, 0, look.icon);
        break;
    case Kind::PushButton:
        DrawPushButton(dc, r, look.text);
        break;
    case Kind::CheckBox:
        DrawCheckBox(dc, r, look.text, look.checked);
        break;
    case Kind::ComboField:
        DrawText(dc, look.text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER);
        break;
    case Kind::Text:
        DrawText(dc, look.text.c_str(), -1, &r, StaticTextFormat(look.align));
        break;
    case Kind::Menu:
        DrawMenu(dc, r, look);
        break;
    }
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
        bridge.measureControlText = MeasureControlText;
        bridge.iconPixels = IconPixels;
        platform::user::SetGdiBridge(bridge);
    });
}

}  // namespace platform::gdi

namespace {

// A program that draws into windows has the bridge from its start, so that a control painted
// before any window DC was asked for (an owner-drawn button's first paint) is drawn all the same.
const bool g_bridgeInstalled = (platform::gdi::InstallWindowBridge(), true);

}  // namespace

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
    const bool touched = d->touched;
    UnregisterDC(paint->hdc);
    // A paint that drew nothing through the DC (an OpenGL one publishes its own picture) changed
    // nothing here.
    if (touched && IsWindow(owner)) platform::user::MarkSurfaceChanged(owner, &changed);
    return TRUE;
}

HDC GetDC(HWND hwnd) { return IsWindow(hwnd) ? MakeWindowDC(hwnd, ClientRect(hwnd), false) : nullptr; }

int ReleaseDC(HWND hwnd, HDC dc)
{
    HDC__* d = FindDC(dc);
    if (!d || !d->hwnd || d->paint) return 0;
    HWND owner = d->hwnd;
    const bool touched = d->touched;
    UnregisterDC(dc);
    if (touched && IsWindow(owner)) platform::user::MarkSurfaceChanged(owner, nullptr);
    return 1;
}

HWND WindowFromDC(HDC dc)
{
    HDC__* d = FindDC(dc);
    return d ? d->hwnd : nullptr;
}
