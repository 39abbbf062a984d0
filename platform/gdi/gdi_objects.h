// The drawing objects behind the handles, and the table of live handles. Internal to platform/gdi.
#pragma once

#include <cairo.h>

#include <memory>

#include "platform/gdi/gdi.h"
#include "platform/gdi/icon.h"

namespace platform::gdi::detail {

struct GdiObject {
    explicit GdiObject(DWORD type_) : type(type_) {}
    virtual ~GdiObject() = default;
    DWORD type;
    bool stock = false;
};

}  // namespace platform::gdi::detail

struct HPEN__ : platform::gdi::detail::GdiObject {
    HPEN__() : GdiObject(OBJ_PEN) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct HBRUSH__ : platform::gdi::detail::GdiObject {
    HBRUSH__() : GdiObject(OBJ_BRUSH) {}
    bool hollow = false;
    COLORREF color = 0;
};

struct HFONT__ : platform::gdi::detail::GdiObject {
    HFONT__() : GdiObject(OBJ_FONT) {}
    platform::text::FontSpec spec;
};

struct HBITMAP__ : platform::gdi::detail::GdiObject {
    HBITMAP__() : GdiObject(OBJ_BITMAP) {}
    ~HBITMAP__() override
    {
        if (surface) cairo_surface_destroy(surface);
    }
    cairo_surface_t* surface = nullptr;  // ARGB32, opaque
    int bitsPixel = 32;
};

struct HDC__ {
    ~HDC__();
    HWND hwnd = nullptr;  // a window DC's window
    bool paint = false;   // BeginPaint's DC
    bool touched = false;  // a window DC whose pixels were handed out for drawing
    RECT clip{};          // a window DC's clip rectangle, client coordinates
    std::shared_ptr<platform::gdi::detail::GdiObject> pen, brush, font, bitmap;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int stretchMode = BLACKONWHITE;
    POINT position{0, 0};

    // The drawing target: the window's surface pixels or the selected bitmap.
    cairo_surface_t* target = nullptr;
    cairo_t* cr = nullptr;
    const void* targetPixels = nullptr;  // what target was made over (window DCs)
    int targetWidth = 0, targetHeight = 0;
    void DropTarget();
};

namespace platform::gdi::detail {

// The live object behind a handle, or null.
std::shared_ptr<GdiObject> Find(HGDIOBJ handle, DWORD type = 0);
HGDIOBJ Register(std::shared_ptr<GdiObject> object);
// A live DC or null.
HDC__* FindDC(HDC dc);
HDC RegisterDC(std::unique_ptr<HDC__> dc);
bool UnregisterDC(HDC dc);  // deletes it
bool IsLiveIcon(HICON icon);

// The DC's cairo context over an up-to-date target, or null when it has none.
cairo_t* Context(HDC__* dc);
// The DC's default font.
const platform::text::FontSpec& DefaultFont();

// Called when a DC goes away, to drop its class-library wrapper.
void ForgetWrapper(HDC dc);

}  // namespace platform::gdi::detail
