// GDI+: images and bitmaps, drawing with scaling, brushes, pens and strings, over cairo and pango.
//
// GDI+ must be started (GdiplusStartup) before images, bitmaps or graphics are made; objects made
// before that carry the status GdiplusNotInitialized and draw nothing. Every failure is reported
// through the returned Status and GetLastStatus; nothing aborts.
//
// Pixels: a bitmap keeps its pixels in its own format, with rows `stride` bytes apart, so that
// LockBits in that format addresses them directly. 32-bit formats hold the bytes B, G, R, A (an
// ARGB word, alpha in the top byte, on this little-endian machine); 32bppARGB is not
// premultiplied, 32bppPARGB is.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdiplus/stream.h"
#include "platform/kernel/win_types.h"

// The drawing library stays behind the layer; its context type is only named here.
typedef struct _cairo cairo_t;

using WCHAR = wchar_t;

namespace Gdiplus {

using REAL = float;
using INT = int;
using ARGB = DWORD;
using PixelFormat = INT;
using GraphicsState = UINT;

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
};

enum Unit { UnitWorld, UnitDisplay, UnitPixel, UnitPoint, UnitInch, UnitDocument, UnitMillimeter };

constexpr PixelFormat PixelFormat8bppIndexed = 0x00030803;
constexpr PixelFormat PixelFormat16bppRGB555 = 0x00021005;
constexpr PixelFormat PixelFormat16bppRGB565 = 0x00021006;
constexpr PixelFormat PixelFormat24bppRGB = 0x00021808;
constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;
constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;
constexpr PixelFormat PixelFormat32bppPARGB = 0x000E200B;

// Bits a pixel of a format (the second byte of its value).
constexpr UINT GetPixelFormatSize(PixelFormat format) { return (static_cast<UINT>(format) >> 8) & 0xFF; }

enum ImageLockMode { ImageLockModeRead = 1, ImageLockModeWrite = 2, ImageLockModeUserInputBuf = 4 };

enum PaletteFlags { PaletteFlagsHasAlpha = 1, PaletteFlagsGrayScale = 2, PaletteFlagsHalftone = 4 };

struct ColorPalette {
    UINT Flags;
    UINT Count;
    ARGB Entries[1];  // Count entries; allocate GetPaletteSize() bytes
};

enum StringAlignment { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };

enum StringFormatFlags { StringFormatFlagsNoWrap = 0x1000, StringFormatFlagsNoClip = 0x4000 };

enum FontStyle { FontStyleRegular = 0, FontStyleBold = 1, FontStyleItalic = 2, FontStyleBoldItalic = 3 };

enum TextRenderingHint {
    TextRenderingHintSystemDefault = 0,
    TextRenderingHintSingleBitPerPixelGridFit,
    TextRenderingHintSingleBitPerPixel,
    TextRenderingHintAntiAliasGridFit,
    TextRenderingHintAntiAlias,
    TextRenderingHintClearTypeGridFit,
};

enum InterpolationMode {
    InterpolationModeInvalid = -1,
    InterpolationModeDefault = 0,
    InterpolationModeLowQuality,
    InterpolationModeHighQuality,
    InterpolationModeBilinear,
    InterpolationModeBicubic,
    InterpolationModeNearestNeighbor,
    InterpolationModeHighQualityBilinear,
    InterpolationModeHighQualityBicubic,
};

enum SmoothingMode {
    SmoothingModeInvalid = -1,
    SmoothingModeDefault = 0,
    SmoothingModeHighSpeed,
    SmoothingModeHighQuality,
    SmoothingModeNone,
    SmoothingModeAntiAlias,
};

using LANGID = WORD;
constexpr LANGID LANG_NEUTRAL = 0;

class Color {
public:
    Color() = default;
    Color(ARGB argb) : m_argb(argb) {}
    Color(BYTE r, BYTE g, BYTE b) : m_argb(MakeARGB(255, r, g, b)) {}
    Color(BYTE a, BYTE r, BYTE g, BYTE b) : m_argb(MakeARGB(a, r, g, b)) {}

    BYTE GetA() const { return static_cast<BYTE>(m_argb >> 24); }
    BYTE GetR() const { return static_cast<BYTE>(m_argb >> 16); }
    BYTE GetG() const { return static_cast<BYTE>(m_argb >> 8); }
    BYTE GetB() const { return static_cast<BYTE>(m_argb); }
    ARGB GetValue() const { return m_argb; }
    void SetValue(ARGB argb) { m_argb = argb; }

    static ARGB MakeARGB(BYTE a, BYTE r, BYTE g, BYTE b)
    {
        return (static_cast<ARGB>(a) << 24) | (static_cast<ARGB>(r) << 16) | (static_cast<ARGB>(g) << 8) | b;
    }

private:
    ARGB m_argb = 0xFF000000;  // opaque black
};

struct Rect {
    INT X = 0, Y = 0, Width = 0, Height = 0;
    Rect() = default;
    Rect(INT x, INT y, INT w, INT h) : X(x), Y(y), Width(w), Height(h) {}
};

struct RectF {
    REAL X = 0, Y = 0, Width = 0, Height = 0;
    RectF() = default;
    RectF(REAL x, REAL y, REAL w, REAL h) : X(x), Y(y), Width(w), Height(h) {}
};

struct BitmapData {
    UINT Width;
    UINT Height;
    INT Stride;
    Gdiplus::PixelFormat PixelFormat;
    void* Scan0;
    UINT_PTR Reserved;
};

// ---- start-up ----

using DebugEventProc = void (*)(INT level, char* message);

struct GdiplusStartupInput {
    UINT GdiplusVersion = 1;
    DebugEventProc DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};

using NotificationHookProc = Status (*)(ULONG_PTR* token);
using NotificationUnhookProc = void (*)(ULONG_PTR token);
struct GdiplusStartupOutput {
    NotificationHookProc NotificationHook;
    NotificationUnhookProc NotificationUnhook;
};

// InvalidParameter for a null token or input, or for a suppressed background thread without an
// output structure; UnsupportedGdiplusVersion for a version other than 1.
Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
// Ends the start-up that gave `token`; an unknown token changes nothing.
void GdiplusShutdown(ULONG_PTR token);

// ---- images ----

class Graphics;

namespace detail {
class PixelStore;
}

class Image {
public:
    // Decodes a PNG image from the stream's current position to its end. A stream that does not
    // hold one gives an image whose status is UnknownImageFormat (size 0 x 0, draws nothing).
    explicit Image(IStream* stream, BOOL useEmbeddedColorManagement = FALSE);
    static Image* FromStream(IStream* stream, BOOL useEmbeddedColorManagement = FALSE);
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    UINT GetWidth();
    UINT GetHeight();
    PixelFormat GetPixelFormat();
    Status GetLastStatus();

    // Size in bytes of the palette record (0 for a format without a palette).
    INT GetPaletteSize();
    Status GetPalette(ColorPalette* palette, INT size);
    // InvalidParameter for a format without a palette or a palette of more than 256 entries.
    Status SetPalette(const ColorPalette* palette);

protected:
    Image();
    Status SetStatus(Status status);

    std::unique_ptr<detail::PixelStore> m_store;  // null: no native image
    Status m_lastStatus = Ok;

    friend class Graphics;
};

class Bitmap : public Image {
public:
    // A new bitmap of the size, every pixel 0 (transparent black, palette entry 0).
    // InvalidParameter for a size below 1 or an unknown format.
    Bitmap(INT width, INT height, PixelFormat format = PixelFormat32bppARGB);
    explicit Bitmap(IStream* stream, BOOL useEmbeddedColorManagement = FALSE);
    static Bitmap* FromStream(IStream* stream, BOOL useEmbeddedColorManagement = FALSE);

    // Locks `rect` (the whole bitmap when null) in `format`: the bitmap's own format addresses its
    // pixels directly, 32bppARGB and 32bppPARGB work on a copy written back at UnlockBits when
    // locked for writing. WrongState when already locked; InvalidParameter for a rectangle outside
    // the bitmap or a format that is not convertible.
    Status LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* lockedData);
    Status UnlockBits(BitmapData* lockedData);

    Status GetPixel(INT x, INT y, Color* color);
    Status SetPixel(INT x, INT y, const Color& color);
};

// ---- brushes, pens, fonts, string formats ----

class Brush {
public:
    virtual ~Brush() = default;
    Status GetLastStatus() const { return m_lastStatus; }

protected:
    Status m_lastStatus = Ok;
};

class SolidBrush : public Brush {
public:
    explicit SolidBrush(const Color& color) : m_color(color) {}
    Status GetColor(Color* color) const;
    Status SetColor(const Color& color);

private:
    Color m_color;
};

class Pen {
public:
    // InvalidParameter (and nothing drawn with it) for a negative width.
    explicit Pen(const Color& color, REAL width = 1.0f);
    Status GetColor(Color* color) const;
    REAL GetWidth() const { return m_width; }
    Status GetLastStatus() const { return m_lastStatus; }

private:
    Color m_color;
    REAL m_width;
    Status m_lastStatus = Ok;
};

class FontCollection;

class FontFamily {
public:
    FontFamily() : m_lastStatus(FontFamilyNotFound) {}
    // FontFamilyNotFound for a null or empty name. Faces are found through the layer's face
    // mapping and fontconfig, which always has a nearest face for a non-empty name.
    explicit FontFamily(const WCHAR* name, const FontCollection* collection = nullptr);
    Status GetLastStatus() const { return m_lastStatus; }
    BOOL IsAvailable() const { return m_lastStatus == Ok; }

private:
    std::vector<char> m_name;  // UTF-8, NUL-terminated
    Status m_lastStatus;
    friend class Font;
};

class Font {
public:
    // The size is the em size in `unit`: points at 96 dots an inch, or pixels (UnitPixel, UnitWorld).
    Font(const FontFamily* family, REAL emSize, INT style = FontStyleRegular, Unit unit = UnitPoint);
    Status GetLastStatus() const { return m_lastStatus; }
    INT GetStyle() const { return m_style; }
    REAL GetSize() const { return m_size; }
    // The em size in pixels.
    REAL PixelSize() const;

private:
    std::vector<char> m_family;
    REAL m_size;
    INT m_style;
    Unit m_unit;
    Status m_lastStatus;
    friend class Graphics;
};

class StringFormat {
public:
    explicit StringFormat(INT formatFlags = 0, LANGID language = LANG_NEUTRAL) : m_flags(formatFlags) {}
    Status SetAlignment(StringAlignment align);
    Status SetLineAlignment(StringAlignment align);
    StringAlignment GetAlignment() const { return m_align; }
    StringAlignment GetLineAlignment() const { return m_lineAlign; }
    INT GetFormatFlags() const { return m_flags; }
    Status GetLastStatus() const { return Ok; }

private:
    INT m_flags;
    StringAlignment m_align = StringAlignmentNear;
    StringAlignment m_lineAlign = StringAlignmentNear;
};

// ---- drawing ----

class Graphics {
public:
    // Drawing into a device context's pixels. A DC without pixels gives a graphics whose status
    // is InvalidParameter and that draws nothing.
    explicit Graphics(HDC hdc);
    // Drawing into a bitmap; an indexed bitmap or an image without pixels cannot be drawn into
    // (OutOfMemory, as GDI+ reports it).
    explicit Graphics(Image* image);
    static Graphics* FromHDC(HDC hdc);
    static Graphics* FromImage(Image* image);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    Status GetLastStatus();

    Status SetTextRenderingHint(TextRenderingHint hint);
    TextRenderingHint GetTextRenderingHint() const { return m_textHint; }
    Status SetInterpolationMode(InterpolationMode mode);
    InterpolationMode GetInterpolationMode() const { return m_interpolation; }
    Status SetSmoothingMode(SmoothingMode mode);
    SmoothingMode GetSmoothingMode() const { return m_smoothing; }

    Status FillRectangle(const Brush* brush, const RectF& rect);
    Status FillRectangle(const Brush* brush, const Rect& rect);
    Status FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height);
    Status FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height);

    // A one-pen outline whose lines are centred on the rectangle's edges (pixel centres lie on
    // integer coordinates, so a 1-wide pen at x 1 covers column 1).
    Status DrawRectangle(const Pen* pen, const Rect& rect);
    Status DrawRectangle(const Pen* pen, INT x, INT y, INT width, INT height);
    Status DrawRectangle(const Pen* pen, REAL x, REAL y, REAL width, REAL height);
    Status DrawLine(const Pen* pen, INT x1, INT y1, INT x2, INT y2);
    Status DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2);

    // The whole image at (x, y) in its own size, or scaled into the rectangle.
    Status DrawImage(Image* image, INT x, INT y);
    Status DrawImage(Image* image, INT x, INT y, INT width, INT height);
    Status DrawImage(Image* image, REAL x, REAL y, REAL width, REAL height);
    Status DrawImage(Image* image, const Rect& dest);
    Status DrawImage(Image* image, const RectF& dest);
    // The source rectangle (in `srcUnit`, pixels for every unit here) scaled into `dest`, filtered
    // by the interpolation mode and blended over what is there.
    Status DrawImage(Image* image, const Rect& dest, INT srcX, INT srcY, INT srcWidth, INT srcHeight, Unit srcUnit);
    Status DrawImage(Image* image, const RectF& dest, REAL srcX, REAL srcY, REAL srcWidth, REAL srcHeight, Unit srcUnit);

    // Lays the text out in the rectangle (wrapped at words to its width, cut at it unless the
    // format says StringFormatFlagsNoClip), aligned by the format's alignment and line alignment.
    // `length` -1: up to the terminating zero.
    Status DrawString(const WCHAR* string, INT length, const Font* font, const RectF& layout, const StringFormat* format,
                      const Brush* brush);

private:
    struct Target;
    Status SetStatus(Status status);
    Status FillRect(const Brush* brush, double x, double y, double w, double h);
    Status StrokeRect(const Pen* pen, double x, double y, double w, double h);
    cairo_t* BeginStroke(const Pen* pen);
    Status DrawImageRect(Image* image, double dx, double dy, double dw, double dh, double sx, double sy, double sw,
                         double sh);

    std::unique_ptr<Target> m_target;  // null: no native object
    Status m_lastStatus = Ok;
    TextRenderingHint m_textHint = TextRenderingHintSystemDefault;
    InterpolationMode m_interpolation = InterpolationModeBilinear;
    SmoothingMode m_smoothing = SmoothingModeNone;
};

}  // namespace Gdiplus
