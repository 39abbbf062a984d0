#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "platform/gdi/gdi_access.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/gdiplus/pixel_store.h"
#include "platform/gdiplus/startup.h"
#include "platform/text/text.h"

namespace Gdiplus {
namespace {

constexpr double kPixelsPerPoint = platform::text::kDotsPerInch / 72.0;

void SetSource(cairo_t* cr, const Color& c)
{
    cairo_set_source_rgba(cr, c.GetR() / 255.0, c.GetG() / 255.0, c.GetB() / 255.0, c.GetA() / 255.0);
}

cairo_filter_t FilterOf(InterpolationMode mode)
{
    switch (mode) {
    case InterpolationModeNearestNeighbor:
        return CAIRO_FILTER_NEAREST;
    case InterpolationModeHighQuality:
    case InterpolationModeBicubic:
    case InterpolationModeHighQualityBicubic:
        return CAIRO_FILTER_BEST;
    default:
        return CAIRO_FILTER_BILINEAR;
    }
}

std::vector<char> Utf8Name(const WCHAR* name)
{
    std::string utf8 = name ? platform::text::EncodeUtf8(name) : std::string();
    std::vector<char> v(utf8.begin(), utf8.end());
    v.push_back('\0');
    return v;
}

}  // namespace

// ---- brushes, pens, fonts, string formats ----

Status SolidBrush::GetColor(Color* color) const
{
    if (color == nullptr)
        return InvalidParameter;
    *color = m_color;
    return Ok;
}

Status SolidBrush::SetColor(const Color& color)
{
    m_color = color;
    return Ok;
}

Pen::Pen(const Color& color, REAL width) : m_color(color), m_width(width)
{
    if (!(width >= 0))
        m_lastStatus = InvalidParameter;
}

Status Pen::GetColor(Color* color) const
{
    if (color == nullptr)
        return InvalidParameter;
    *color = m_color;
    return Ok;
}

FontFamily::FontFamily(const WCHAR* name, const FontCollection*) : m_name(Utf8Name(name))
{
    m_lastStatus = m_name.size() > 1 ? Ok : FontFamilyNotFound;
}

Font::Font(const FontFamily* family, REAL emSize, INT style, Unit unit)
    : m_size(emSize), m_style(style), m_unit(unit), m_lastStatus(Ok)
{
    if (family == nullptr || !family->IsAvailable())
        m_lastStatus = FontFamilyNotFound;
    else if (!(emSize > 0) || unit == UnitDisplay)
        m_lastStatus = InvalidParameter;
    else
        m_family = family->m_name;
}

REAL Font::PixelSize() const
{
    switch (m_unit) {
    case UnitPoint:
        return static_cast<REAL>(m_size * kPixelsPerPoint);
    case UnitInch:
        return static_cast<REAL>(m_size * platform::text::kDotsPerInch);
    case UnitDocument:
        return static_cast<REAL>(m_size * platform::text::kDotsPerInch / 300.0);
    case UnitMillimeter:
        return static_cast<REAL>(m_size * platform::text::kDotsPerInch / 25.4);
    default:
        return m_size;
    }
}

Status StringFormat::SetAlignment(StringAlignment align)
{
    if (align < StringAlignmentNear || align > StringAlignmentFar)
        return InvalidParameter;
    m_align = align;
    return Ok;
}

Status StringFormat::SetLineAlignment(StringAlignment align)
{
    if (align < StringAlignmentNear || align > StringAlignmentFar)
        return InvalidParameter;
    m_lineAlign = align;
    return Ok;
}

// ---- graphics ----

// Where a graphics draws: a bitmap's pixels, or a device context's.
struct Graphics::Target {
    detail::PixelStore* store = nullptr;
    HDC dc = nullptr;

    // A fresh context for one drawing call; null when the target has gone.
    cairo_t* Begin()
    {
        if (store != nullptr) {
            cairo_surface_t* s = store->Target();
            return s ? cairo_create(s) : nullptr;
        }
        cairo_t* cr = platform::gdi::CairoOf(dc);
        if (cr == nullptr)
            return nullptr;
        cairo_save(cr);
        return cairo_reference(cr);
    }
    void End(cairo_t* cr)
    {
        if (store != nullptr) {
            cairo_destroy(cr);
            store->TargetChanged();
            return;
        }
        cairo_restore(cr);
        cairo_surface_flush(cairo_get_target(cr));
        cairo_destroy(cr);
    }
};

Graphics::Graphics(HDC hdc)
{
    if (!detail::Started()) {
        m_lastStatus = GdiplusNotInitialized;
        return;
    }
    if (platform::gdi::CairoOf(hdc) == nullptr) {
        m_lastStatus = InvalidParameter;
        return;
    }
    m_target.reset(new (std::nothrow) Target{nullptr, hdc});
    if (!m_target)
        m_lastStatus = OutOfMemory;
}

Graphics::Graphics(Image* image)
{
    if (!detail::Started()) {
        m_lastStatus = GdiplusNotInitialized;
        return;
    }
    if (image == nullptr) {
        m_lastStatus = InvalidParameter;
        return;
    }
    // GDI+ refuses graphics on indexed images with OutOfMemory.
    if (!image->m_store || image->m_store->Target() == nullptr) {
        m_lastStatus = OutOfMemory;
        return;
    }
    m_target.reset(new (std::nothrow) Target{image->m_store.get(), nullptr});
    if (!m_target)
        m_lastStatus = OutOfMemory;
}

Graphics* Graphics::FromHDC(HDC hdc) { return new (std::nothrow) Graphics(hdc); }
Graphics* Graphics::FromImage(Image* image) { return new (std::nothrow) Graphics(image); }

Graphics::~Graphics() = default;

Status Graphics::SetStatus(Status status)
{
    if (status != Ok)
        m_lastStatus = status;
    return status;
}

Status Graphics::GetLastStatus()
{
    Status s = m_lastStatus;
    m_lastStatus = Ok;
    return s;
}

Status Graphics::SetTextRenderingHint(TextRenderingHint hint)
{
    if (!m_target)
        return SetStatus(InvalidParameter);
    if (hint < TextRenderingHintSystemDefault || hint > TextRenderingHintClearTypeGridFit)
        return SetStatus(InvalidParameter);
    m_textHint = hint;
    return Ok;
}

Status Graphics::SetInterpolationMode(InterpolationMode mode)
{
    if (!m_target)
        return SetStatus(InvalidParameter);
    if (mode < InterpolationModeDefault || mode > InterpolationModeHighQualityBicubic)
        return SetStatus(InvalidParameter);
    // The default and low quality are bilinear, high quality is bicubic, as GDI+ maps them.
    m_interpolation = mode == InterpolationModeDefault || mode == InterpolationModeLowQuality ? InterpolationModeBilinear
                      : mode == InterpolationModeHighQuality ? InterpolationModeHighQualityBicubic
                                                             : mode;
    return Ok;
}

Status Graphics::SetSmoothingMode(SmoothingMode mode)
{
    if (!m_target)
        return SetStatus(InvalidParameter);
    if (mode < SmoothingModeDefault || mode > SmoothingModeAntiAlias)
        return SetStatus(InvalidParameter);
    m_smoothing = mode == SmoothingModeHighQuality ? SmoothingModeAntiAlias
                  : mode == SmoothingModeAntiAlias ? SmoothingModeAntiAlias
                                                   : SmoothingModeNone;
    return Ok;
}

Status Graphics::FillRect(const Brush* brush, double x, double y, double w, double h)
{
    auto* solid = dynamic_cast<const SolidBrush*>(brush);
    if (!m_target || solid == nullptr)
        return SetStatus(InvalidParameter);
    if (w <= 0 || h <= 0)
        return Ok;
    cairo_t* cr = m_target->Begin();
    if (cr == nullptr)
        return SetStatus(InvalidParameter);
    Color c;
    solid->GetColor(&c);
    cairo_set_antialias(cr, m_smoothing == SmoothingModeAntiAlias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    SetSource(cr, c);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    m_target->End(cr);
    return Ok;
}

Status Graphics::FillRectangle(const Brush* brush, const RectF& r) { return FillRect(brush, r.X, r.Y, r.Width, r.Height); }
Status Graphics::FillRectangle(const Brush* brush, const Rect& r) { return FillRect(brush, r.X, r.Y, r.Width, r.Height); }
Status Graphics::FillRectangle(const Brush* brush, REAL x, REAL y, REAL w, REAL h) { return FillRect(brush, x, y, w, h); }
Status Graphics::FillRectangle(const Brush* brush, INT x, INT y, INT w, INT h) { return FillRect(brush, x, y, w, h); }

cairo_t* Graphics::BeginStroke(const Pen* pen)
{
    if (!m_target || pen == nullptr || pen->GetLastStatus() != Ok) {
        SetStatus(InvalidParameter);
        return nullptr;
    }
    cairo_t* cr = m_target->Begin();
    if (cr == nullptr) {
        SetStatus(InvalidParameter);
        return nullptr;
    }
    Color c;
    pen->GetColor(&c);
    SetSource(cr, c);
    cairo_set_antialias(cr, m_smoothing == SmoothingModeAntiAlias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    // Pixel centres lie on integer coordinates here, half a pixel off cairo's.
    cairo_translate(cr, 0.5, 0.5);
    // A pen thinner than a pixel still draws a one-pixel line, as GDI+ does.
    cairo_set_line_width(cr, std::max(1.0, static_cast<double>(pen->GetWidth())));
    return cr;
}

Status Graphics::StrokeRect(const Pen* pen, double x, double y, double w, double h)
{
    cairo_t* cr = BeginStroke(pen);
    if (cr == nullptr)
        return InvalidParameter;
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    if (h == 0 && w != 0) {
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + w, y);
    } else if (w == 0 && h != 0) {
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x, y + h);
    } else {
        cairo_rectangle(cr, x, y, w, h);
    }
    cairo_stroke(cr);
    m_target->End(cr);
    return Ok;
}

Status Graphics::DrawRectangle(const Pen* pen, const Rect& r) { return StrokeRect(pen, r.X, r.Y, r.Width, r.Height); }
Status Graphics::DrawRectangle(const Pen* pen, INT x, INT y, INT w, INT h) { return StrokeRect(pen, x, y, w, h); }
Status Graphics::DrawRectangle(const Pen* pen, REAL x, REAL y, REAL w, REAL h) { return StrokeRect(pen, x, y, w, h); }

Status Graphics::DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2)
{
    cairo_t* cr = BeginStroke(pen);
    if (cr == nullptr)
        return InvalidParameter;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_stroke(cr);
    m_target->End(cr);
    return Ok;
}

Status Graphics::DrawLine(const Pen* pen, INT x1, INT y1, INT x2, INT y2)
{
    return DrawLine(pen, static_cast<REAL>(x1), static_cast<REAL>(y1), static_cast<REAL>(x2), static_cast<REAL>(y2));
}

Status Graphics::DrawImageRect(Image* image, double dx, double dy, double dw, double dh, double sx, double sy, double sw,
                               double sh)
{
    if (!m_target || image == nullptr)
        return SetStatus(InvalidParameter);
    if (!image->m_store)
        return SetStatus(image->m_lastStatus == Ok ? InvalidParameter : image->m_lastStatus);
    if (sw <= 0 || sh <= 0)
        return SetStatus(InvalidParameter);
    if (dw == 0 || dh == 0)
        return Ok;
    cairo_surface_t* source = image->m_store->Source();
    cairo_t* cr = source ? m_target->Begin() : nullptr;
    if (cr == nullptr)
        return SetStatus(OutOfMemory);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(source);
    // Maps the destination rectangle onto the source rectangle.
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, sx, sy);
    cairo_matrix_scale(&m, sw / dw, sh / dh);
    cairo_matrix_translate(&m, -dx, -dy);
    cairo_pattern_set_matrix(pattern, &m);
    cairo_pattern_set_filter(pattern, FilterOf(m_interpolation));
    // Edge pixels repeat rather than fade into nothing when a scaled source is filtered.
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, std::min(dx, dx + dw), std::min(dy, dy + dh), std::fabs(dw), std::fabs(dh));
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
    m_target->End(cr);
    return Ok;
}

Status Graphics::DrawImage(Image* image, INT x, INT y)
{
    if (image == nullptr || !image->m_store)
        return DrawImageRect(image, 0, 0, 0, 0, 0, 0, 0, 0);
    double w = image->m_store->Width(), h = image->m_store->Height();
    return DrawImageRect(image, x, y, w, h, 0, 0, w, h);
}

Status Graphics::DrawImage(Image* image, REAL x, REAL y, REAL width, REAL height)
{
    if (image == nullptr || !image->m_store)
        return DrawImageRect(image, 0, 0, 0, 0, 0, 0, 0, 0);
    return DrawImageRect(image, x, y, width, height, 0, 0, image->m_store->Width(), image->m_store->Height());
}

Status Graphics::DrawImage(Image* image, INT x, INT y, INT width, INT height)
{
    return DrawImage(image, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width), static_cast<REAL>(height));
}

Status Graphics::DrawImage(Image* image, const Rect& d) { return DrawImage(image, d.X, d.Y, d.Width, d.Height); }
Status Graphics::DrawImage(Image* image, const RectF& d) { return DrawImage(image, d.X, d.Y, d.Width, d.Height); }

Status Graphics::DrawImage(Image* image, const Rect& d, INT sx, INT sy, INT sw, INT sh, Unit)
{
    return DrawImageRect(image, d.X, d.Y, d.Width, d.Height, sx, sy, sw, sh);
}

Status Graphics::DrawImage(Image* image, const RectF& d, REAL sx, REAL sy, REAL sw, REAL sh, Unit)
{
    return DrawImageRect(image, d.X, d.Y, d.Width, d.Height, sx, sy, sw, sh);
}

Status Graphics::DrawString(const WCHAR* string, INT length, const Font* font, const RectF& layout,
                            const StringFormat* format, const Brush* brush)
{
    auto* solid = dynamic_cast<const SolidBrush*>(brush);
    if (!m_target || string == nullptr || font == nullptr || solid == nullptr || length < -1)
        return SetStatus(InvalidParameter);
    if (font->GetLastStatus() != Ok)
        return SetStatus(font->GetLastStatus());
    std::string text = platform::text::EncodeUtf8(string, length);
    if (text.empty())
        return Ok;

    platform::text::FontSpec spec;
    spec.face = font->m_family.data();
    spec.height = -static_cast<int>(std::lround(font->PixelSize()));
    spec.weight = (font->m_style & FontStyleBold) ? 700 : 400;
    spec.italic = (font->m_style & FontStyleItalic) != 0;
    spec.antialias =
        m_textHint != TextRenderingHintSingleBitPerPixel && m_textHint != TextRenderingHintSingleBitPerPixelGridFit;
    if (spec.height == 0)
        return Ok;

    StringFormat defaults;
    const StringFormat& f = format ? *format : defaults;
    auto h = [](StringAlignment a) {
        return a == StringAlignmentCenter ? platform::text::HAlign::Center
               : a == StringAlignmentFar  ? platform::text::HAlign::Right
                                          : platform::text::HAlign::Left;
    };
    auto v = [](StringAlignment a) {
        return a == StringAlignmentCenter ? platform::text::VAlign::Center
               : a == StringAlignmentFar  ? platform::text::VAlign::Bottom
                                          : platform::text::VAlign::Top;
    };
    platform::text::TextBox box;
    box.x = layout.X;
    box.y = layout.Y;
    box.width = layout.Width;
    box.height = layout.Height;
    box.halign = h(f.GetAlignment());
    box.valign = v(f.GetLineAlignment());
    box.wordBreak = (f.GetFormatFlags() & StringFormatFlagsNoWrap) == 0;
    // A layout rectangle of no size does not bound the text.
    box.clip = (f.GetFormatFlags() & StringFormatFlagsNoClip) == 0 && layout.Width > 0 && layout.Height > 0;

    cairo_t* cr = m_target->Begin();
    if (cr == nullptr)
        return SetStatus(InvalidParameter);
    Color c;
    solid->GetColor(&c);
    platform::text::DrawTextBox(cr, spec, text, box, c.GetR() / 255.0, c.GetG() / 255.0, c.GetB() / 255.0,
                                c.GetA() / 255.0, false, nullptr);
    m_target->End(cr);
    return Ok;
}

}  // namespace Gdiplus
