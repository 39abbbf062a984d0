// Drawing: device contexts (window, paint, client and memory), bitmaps, pens, brushes, fonts,
// lines, rectangles, ellipses, fills, gradients, blits, stretches, text and icons, with the class
// library's wrappers over them. Every device context draws into 32-bit pixels; a window's DC
// draws into that window's own surface.
//
// Threads: a device context and the objects selected into it are used by one thread at a time;
// objects may be made and deleted on any thread. A handle that is not (or no longer) a live object
// makes a call fail with its failure result; it never brings the program down.
#pragma once

#include "platform/kernel/CString.h"
#include "platform/kernel/win_types.h"
#include "platform/text/text.h"
#include "platform/user/user_types.h"

// Raster operations (only copying is drawn; other operations fail).
#define SRCCOPY 0x00CC0020u
// Stretch modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_DELETESCANS COLORONCOLOR
// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2
// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_STYLE_MASK 0x0000000F
// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17
// Object kinds for GetObjectType.
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10
// DrawText formats.
#define DT_TOP 0x00000000u
#define DT_LEFT 0x00000000u
#define DT_CENTER 0x00000001u
#define DT_RIGHT 0x00000002u
#define DT_VCENTER 0x00000004u
#define DT_BOTTOM 0x00000008u
#define DT_WORDBREAK 0x00000010u
#define DT_SINGLELINE 0x00000020u
#define DT_NOCLIP 0x00000100u
#define DT_CALCRECT 0x00000400u
#define DT_NOPREFIX 0x00000800u
#define DT_END_ELLIPSIS 0x00008000u
// Font weights, character sets, precisions, qualities, pitches and families.
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define GB2312_CHARSET 134
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define CLEARTYPE_NATURAL_QUALITY 6
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
// Gradient fills.
#define GRADIENT_FILL_RECT_H 0x00000000u
#define GRADIENT_FILL_RECT_V 0x00000001u
#define GRADIENT_FILL_TRIANGLE 0x00000002u
// DrawState.
#define DST_ICON 0x0003u
#define DST_BITMAP 0x0004u
#define DSS_NORMAL 0x0000u
#define DSS_DISABLED 0x0020u

using COLOR16 = std::uint16_t;
struct TRIVERTEX {
    LONG x;
    LONG y;
    COLOR16 Red;
    COLOR16 Green;
    COLOR16 Blue;
    COLOR16 Alpha;
};
struct GRADIENT_RECT {
    ULONG UpperLeft;
    ULONG LowerRight;
};
struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;  // bytes a row as GetBitmapBits and SetBitmapBits take them
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};
struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
using LPPAINTSTRUCT = PAINTSTRUCT*;
using DRAWSTATEPROC = BOOL (*)(HDC, LPARAM, WPARAM, int, int);

// Window device contexts. A window DC draws into the window's client surface; BeginPaint's DC is
// clipped to the update rectangle, which it takes from the window (and sends WM_ERASEBKGND when
// it asks for erasing). EndPaint and ReleaseDC mark the drawn pixels changed for the compositor.
HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
HDC GetDC(HWND hwnd);  // NULL for a handle that is not a live window
int ReleaseDC(HWND hwnd, HDC dc);  // 1 when released
HWND WindowFromDC(HDC dc);

// Memory device contexts, with a 1 x 1 bitmap selected until the program selects its own.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);

// Bitmaps: 32 bits a pixel (bytes B, G, R, unused), or 24 (B, G, R) for CreateBitmap with 24.
// A new bitmap is black. Compatible bitmaps are always in colour, whatever the DC holds.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void* bits);
LONG GetBitmapBits(HBITMAP bitmap, LONG size, LPVOID bits);
int GetObject(HGDIOBJ object, int size, LPVOID out);  // BITMAP of a bitmap; 0 otherwise

// A bitmap resource as a 32-bit bitmap; NULL when there is none. Defined by the resources.
HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name);

HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR face);
#define CreateFont CreateFontA
HGDIOBJ GetStockObject(int index);
// The object selected before; NULL on failure. Selecting a bitmap works in memory DCs only.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Deleting an object still selected in a DC frees it once the DC lets go of it. Stock objects
// are never deleted.
BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);

COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
// A line with the selected pen from the current position to (x, y), without its last pixel.
BOOL LineTo(HDC dc, int x, int y);
// Outlined with the pen and filled with the brush, within (left, top) to (right - 1, bottom - 1).
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL GradientFill(HDC dc, TRIVERTEX* vertices, ULONG vertexCount, void* meshes, ULONG meshCount, ULONG mode);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
// HALFTONE averages the source pixels that fall on each target pixel; the other modes take the
// nearest source pixel.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh, DWORD rop);

// Text of `count` bytes of UTF-8 (-1: up to the terminator) in the DC's font and text colour,
// on its background colour when the mode is OPAQUE. DT_VCENTER and DT_BOTTOM apply to single
// lines only. Returns the text's height (0 on failure); DT_CALCRECT only sizes `rect`.
int DrawText(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format);
#define DrawTextA DrawText
BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count);
BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, SIZE* size);

// Icons (loaded by the resources, made by platform::gdi::CreateIconFromPixels).
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flicker, UINT flags);
BOOL DestroyIcon(HICON icon);
#define DI_NORMAL 0x0003u
// DST_ICON draws the icon `data` (an HICON) at (x, y) in width x height (0: its own size);
// DST_BITMAP a bitmap. DSS_DISABLED draws it greyed.
BOOL DrawState(HDC dc, HBRUSH brush, DRAWSTATEPROC proc, LPARAM data, WPARAM wdata, int x, int y, int width, int height,
               UINT flags);

class CWnd;
class CDC;
class CPen;
class CBrush;
class CFont;
class CBitmap;

// The class library's wrappers. A wrapper owns the handle it created and deletes it when it is
// destroyed; Attach/Detach hand ownership over.
class CGdiObject {
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject() { DeleteObject(); }

    HGDIOBJ m_hObject = nullptr;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    BOOL CreateStockObject(int index);
    int GetObject(int size, LPVOID out) const { return ::GetObject(m_hObject, size, out); }
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    BOOL CreatePen(int style, int width, COLORREF color);
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    BOOL CreateSolidBrush(COLORREF color);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    static CBrush* FromHandle(HBRUSH brush);
};

class CFont : public CGdiObject {
public:
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
                    LPCSTR face);
    // A font of tenthsOfPoint tenths of a point (at 96 dots an inch).
    BOOL CreatePointFont(int tenthsOfPoint, LPCSTR face, CDC* dc = nullptr);
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    static CFont* FromHandle(HFONT font);
};

class CBitmap : public CGdiObject {
public:
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
    // A bitmap resource (loaded by the resources' LoadBitmap).
    BOOL LoadBitmap(UINT id) { return Attach(::LoadBitmap(nullptr, MAKEINTRESOURCE(id))); }
    DWORD SetBitmapBits(DWORD size, const void* bits) { return static_cast<DWORD>(::SetBitmapBits(*this, size, bits)); }
    DWORD GetBitmapBits(DWORD size, LPVOID bits) const { return static_cast<DWORD>(::GetBitmapBits(*this, static_cast<LONG>(size), bits)); }
    int GetBitmap(BITMAP* out) const { return GetObject(sizeof(BITMAP), out); }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    static CBitmap* FromHandle(HBITMAP bitmap);
};

class CDC {
public:
    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC();

    HDC m_hDC = nullptr;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL Attach(HDC dc);
    HDC Detach();
    // The wrapper of a handle: the attached CDC, or a temporary one that lives as long as the DC.
    static CDC* FromHandle(HDC dc);

    BOOL CreateCompatibleDC(CDC* dc);
    BOOL DeleteDC();

    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    CGdiObject* SelectStockObject(int index);

    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int GetBkMode() const { return ::GetBkMode(m_hDC); }
    int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }

    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
    BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
    BOOL Rectangle(LPCRECT r) { return ::Rectangle(m_hDC, r->left, r->top, r->right, r->bottom); }
    BOOL Ellipse(int l, int t, int r, int b) { return ::Ellipse(m_hDC, l, t, r, b); }
    BOOL Ellipse(LPCRECT r) { return ::Ellipse(m_hDC, r->left, r->top, r->right, r->bottom); }
    void FillRect(LPCRECT rect, CBrush* brush) { ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(*brush) : nullptr); }
    // Fills with a colour, which becomes the background colour too.
    void FillSolidRect(LPCRECT rect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    BOOL GradientFill(TRIVERTEX* vertices, ULONG count, void* meshes, ULONG meshCount, ULONG mode)
    {
        return ::GradientFill(m_hDC, vertices, count, meshes, meshCount, mode);
    }
    BOOL BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, sx, sy, rop);
    }
    BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop)
    {
        return ::StretchBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, sx, sy, sw, sh, rop);
    }
    int DrawText(LPCSTR text, int count, LPRECT rect, UINT format) { return ::DrawText(m_hDC, text, count, rect, format); }
    int DrawText(const CString& text, LPRECT rect, UINT format) { return ::DrawText(m_hDC, text, text.GetLength(), rect, format); }
    BOOL TextOut(int x, int y, const CString& text) { return ::TextOut(m_hDC, x, y, text, text.GetLength()); }
    CSize GetTextExtent(LPCSTR text, int count) const;
    CSize GetTextExtent(const CString& text) const { return GetTextExtent(text, text.GetLength()); }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
    BOOL DrawIcon(POINT p, HICON icon) { return ::DrawIcon(m_hDC, p.x, p.y, icon); }
    BOOL DrawState(CPoint p, CSize size, HICON icon, UINT flags, HBRUSH brush = nullptr);
    BOOL DrawState(CPoint p, CSize size, HICON icon, UINT flags, CBrush* brush);

private:
    friend void ReleaseTemporaryDC(HDC dc);
};

// A paint context: BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND hwnd);
    template <class Window>
    explicit CPaintDC(Window* wnd) : CPaintDC(wnd ? wnd->GetSafeHwnd() : static_cast<HWND>(nullptr))
    {
    }
    ~CPaintDC() override;

    HWND m_hWnd = nullptr;
    PAINTSTRUCT m_ps{};
};

// A client-area context: GetDC in the constructor, ReleaseDC in the destructor.
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hwnd);
    template <class Window>
    explicit CClientDC(Window* wnd) : CClientDC(wnd ? wnd->GetSafeHwnd() : static_cast<HWND>(nullptr))
    {
    }
    ~CClientDC() override;

    HWND m_hWnd = nullptr;
};

namespace platform::gdi {

// Fills in the window layer's bridge to the drawing layer. Safe to call more than once; the
// window DC functions call it themselves.
void InstallWindowBridge();

}  // namespace platform::gdi
