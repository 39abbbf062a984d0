#include "platform/text/text.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace platform::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Length of the valid UTF-8 sequence at p (at most `left` bytes), 0 when none starts there.
int SequenceLength(const unsigned char* p, int left, char32_t* out)
{
    unsigned char c = p[0];
    int n;
    char32_t cp;
    if (c < 0x80) {
        *out = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        n = 2, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4, cp = c & 0x07;
    } else {
        return 0;
    }
    if (left < n) return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF start no valid sequence.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    *out = cp;
    return n;
}

int LengthOf(const char* text, int size) { return size < 0 ? static_cast<int>(std::strlen(text)) : size; }

struct FaceRule {
    const char* face;
    const char* family;
};
constexpr FaceRule kFaces[] = {
    {"微软雅黑", "Noto Sans CJK SC"},     {"Microsoft YaHei", "Noto Sans CJK SC"},
    {"Tahoma", "DejaVu Sans"},           {"MS Shell Dlg", "DejaVu Sans"},
    {"MS Shell Dlg 2", "DejaVu Sans"},   {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
};

PangoFontDescription* Describe(const FontSpec& font, double emPixels)
{
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, MapFace(font.face).c_str());
    int weight = font.weight <= 0 ? 400 : std::clamp(font.weight, 100, 1000);
    pango_font_description_set_weight(d, static_cast<PangoWeight>(weight));
    pango_font_description_set_style(d, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(d, std::max(1.0, emPixels) * PANGO_SCALE);
    return d;
}

// Ascent plus descent of the face per pixel of em, measured once per face and weight.
double CellPerEm(const FontSpec& font)
{
    static std::map<std::pair<std::string, int>, double> cache;  // guarded by the text mutex
    auto key = std::make_pair(MapFace(font.face), font.weight);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    double ratio = 1.2;
    PangoFontMap* map = pango_cairo_font_map_new();
    PangoContext* context = pango_font_map_create_context(map);
    FontSpec probe = font;
    PangoFontDescription* d = Describe(probe, 1000.0);
    if (PangoFontMetrics* m = pango_context_get_metrics(context, d, nullptr)) {
        double cell = pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m);
        if (cell > 0) ratio = cell / PANGO_SCALE / 1000.0;
        pango_font_metrics_unref(m);
    }
    pango_font_description_free(d);
    g_object_unref(context);
    g_object_unref(map);
    cache.emplace(key, ratio);
    return ratio;
}

struct LayoutDeleter {
    void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

// A layout of the text in the font on cr, with the font's antialiasing.
LayoutPtr MakeLayout(cairo_t* cr, const FontSpec& font, const std::string& text)
{
    LayoutPtr layout(pango_cairo_create_layout(cr));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, font.antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout.get());
    PangoFontDescription* d = Describe(font, EmPixels(font));
    pango_layout_set_font_description(layout.get(), d);
    pango_font_description_free(d);
    if (font.underline || font.strikeOut) {
        PangoAttrList* attrs = pango_attr_list_new();
        if (font.underline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (font.strikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(layout.get(), attrs);
        pango_attr_list_unref(attrs);
    }
    // Invalid UTF-8 would make pango refuse the whole text; draw what decodes.
    pango_layout_set_text(layout.get(), EncodeUtf8(DecodeUtf8(text.c_str(), static_cast<int>(text.size()))).c_str(), -1);
    return layout;
}

// Pango and fontconfig are used by one thread at a time: their own locking is not something to
// lean on across pango versions, and text is a small share of any paint.
std::recursive_mutex& TextMutex()
{
    static std::recursive_mutex m;
    return m;
}

// A scratch cairo context for measuring.
cairo_t* MeasuringContext()
{
    thread_local struct Scratch {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
        cairo_t* cr = cairo_create(surface);
        ~Scratch()
        {
            cairo_destroy(cr);
            cairo_surface_destroy(surface);
        }
    } scratch;
    return scratch.cr;
}

}  // namespace

int CountCharacters(const char* text, int size)
{
    if (!text) return 0;
    int n = LengthOf(text, size), count = 0;
    auto p = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; i < n; ++count) {
        char32_t cp;
        int len = SequenceLength(p + i, n - i, &cp);
        i += len ? len : 1;
    }
    return count;
}

std::u32string DecodeUtf8(const char* text, int size)
{
    std::u32string out;
    if (!text) return out;
    int n = LengthOf(text, size);
    auto p = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; i < n;) {
        char32_t cp;
        int len = SequenceLength(p + i, n - i, &cp);
        out.push_back(len ? cp : kReplacement);
        i += len ? len : 1;
    }
    return out;
}

std::string EncodeUtf8(const std::u32string& text)
{
    std::string out;
    for (char32_t cp : text) {
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::string EncodeUtf8(const wchar_t* text, int size)
{
    if (!text) return {};
    std::u32string s;
    for (int i = 0; size < 0 ? text[i] != 0 : i < size; ++i) s.push_back(static_cast<char32_t>(text[i]));
    return EncodeUtf8(s);
}

std::string MapFace(const std::string& face)
{
    for (const FaceRule& rule : kFaces)
        if (g_ascii_strcasecmp(face.c_str(), rule.face) == 0) return rule.family;
    return face.empty() ? "DejaVu Sans" : face;
}

FontSpec PointFont(int tenthsOfPoint, const std::string& face)
{
    FontSpec f;
    f.face = face;
    // CreatePointFont asks for the cell height of the point size.
    f.height = static_cast<int>(std::lround(tenthsOfPoint * kDotsPerInch / 720.0));
    return f;
}

double EmPixels(const FontSpec& font)
{
    std::lock_guard<std::recursive_mutex> lock(TextMutex());
    if (font.height < 0) return -font.height;
    if (font.height == 0) return 12.0;
    return font.height / CellPerEm(font);
}

TextSize MeasureLine(const FontSpec& font, const std::string& text)
{
    std::lock_guard<std::recursive_mutex> lock(TextMutex());
    LayoutPtr layout = MakeLayout(MeasuringContext(), font, text);
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout.get(), &w, &h);
    return {w, h};
}

namespace {

// The baseline, from the layout's top in pango units, of the line that holds that byte.
int BaselineAt(PangoLayout* layout, int byte)
{
    PangoLayoutIter* line = pango_layout_get_iter(layout);
    int baseline = pango_layout_iter_get_baseline(line);
    while (pango_layout_iter_next_line(line)) {
        if (pango_layout_iter_get_line_readonly(line)->start_index > byte) break;
        baseline = pango_layout_iter_get_baseline(line);
    }
    pango_layout_iter_free(line);
    return baseline;
}

// Underlines the layout's character at that index (in characters), where it has one, with a line
// one pixel thick just under the baseline, on whole pixels: pango's own underline follows the
// font's metrics and, after a fallback font has moved the baseline off the pixel grid, can fall
// between pixel rows and vanish from text drawn without smoothing. The layout lies at (x, y).
void UnderlineCharacter(cairo_t* cr, PangoLayout* layout, int index, double x, double y)
{
    const char* text = pango_layout_get_text(layout);
    if (index < 0 || index >= g_utf8_strlen(text, -1)) return;
    const int byte = static_cast<int>(g_utf8_offset_to_pointer(text, index) - text);
    PangoRectangle at;
    pango_layout_index_to_pos(layout, byte, &at);
    const double left = std::round(x + static_cast<double>(std::min(at.x, at.x + at.width)) / PANGO_SCALE);
    const double right = std::round(x + static_cast<double>(std::max(at.x, at.x + at.width)) / PANGO_SCALE);
    const double under = std::floor(y + static_cast<double>(BaselineAt(layout, byte)) / PANGO_SCALE) + 1;
    if (right <= left) return;
    cairo_rectangle(cr, left, under, right - left, 1);
    cairo_fill(cr);
}

}  // namespace

int DrawTextBox(void* cairoContext, const FontSpec& font, const std::string& text, const TextBox& box, double r, double g,
                double b, double a, bool measureOnly, RECT* boundsOut)
{
    std::lock_guard<std::recursive_mutex> lock(TextMutex());
    auto* cr = static_cast<cairo_t*>(cairoContext);
    if (!cr) cr = MeasuringContext();
    LayoutPtr layout = MakeLayout(cr, font, text);
    PangoLayout* l = layout.get();
    if (box.singleLine) {
        pango_layout_set_single_paragraph_mode(l, TRUE);
    } else if (box.wordBreak && box.width > 0) {
        pango_layout_set_width(l, static_cast<int>(box.width * PANGO_SCALE));
        pango_layout_set_wrap(l, PANGO_WRAP_WORD_CHAR);
    }
    if (box.ellipsis && box.width > 0) {
        pango_layout_set_width(l, static_cast<int>(box.width * PANGO_SCALE));
        pango_layout_set_ellipsize(l, PANGO_ELLIPSIZE_END);
    }
    pango_layout_set_alignment(l, box.halign == HAlign::Center  ? PANGO_ALIGN_CENTER
                                  : box.halign == HAlign::Right ? PANGO_ALIGN_RIGHT
                                                                : PANGO_ALIGN_LEFT);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(l, &ink, &logical);
    // With a wrapping width pango aligns the lines itself inside it.
    bool wrapped = pango_layout_get_width(l) > 0;
    double lw = wrapped ? box.width : logical.width;
    double x = box.x, y = box.y;
    if (!wrapped) {
        if (box.halign == HAlign::Center) x += std::floor((box.width - lw) / 2);
        if (box.halign == HAlign::Right) x += box.width - lw;
        x -= logical.x;
    }
    if (box.valign == VAlign::Center) y += std::floor((box.height - logical.height) / 2);
    if (box.valign == VAlign::Bottom) y += box.height - logical.height;
    if (boundsOut) {
        double left = x + logical.x;
        *boundsOut = RECT{static_cast<LONG>(std::floor(left)), static_cast<LONG>(std::floor(y)),
                          static_cast<LONG>(std::ceil(left + logical.width)), static_cast<LONG>(std::ceil(y + logical.height))};
    }
    if (!measureOnly) {
        cairo_save(cr);
        if (box.clip) {
            cairo_rectangle(cr, box.x, box.y, box.width, box.height);
            cairo_clip(cr);
        }
        cairo_set_source_rgba(cr, r, g, b, a);
        cairo_move_to(cr, x, y);
        pango_cairo_show_layout(cr, l);
        UnderlineCharacter(cr, l, box.underlined, x, y);
        cairo_restore(cr);
    }
    return logical.height;
}

GlyphBitmap RasteriseGlyph(const FontSpec& font, char32_t codePoint)
{
    std::lock_guard<std::recursive_mutex> lock(TextMutex());
    GlyphBitmap glyph;
    FontSpec sharp = font;
    sharp.antialias = false;  // one-bit glyphs: draw them without smoothing and keep every set pixel
    std::string text = EncodeUtf8(std::u32string(1, codePoint));
    if (codePoint < 0x20 || codePoint == 0x7F) text = " ";
    LayoutPtr layout = MakeLayout(MeasuringContext(), sharp, text);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout.get(), &ink, &logical);
    glyph.advance = codePoint < 0x20 || codePoint == 0x7F ? 0.0f : static_cast<float>(logical.width);
    if (codePoint < 0x20 || codePoint == 0x7F || ink.width <= 0 || ink.height <= 0) return glyph;

    int margin = static_cast<int>(EmPixels(font) / 2) + 2;
    int sw = logical.width + 2 * margin, sh = logical.height + 2 * margin;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, sw, sh);
    cairo_t* cr = cairo_create(surface);
    LayoutPtr drawn = MakeLayout(cr, sharp, text);
    cairo_move_to(cr, margin, margin);
    pango_cairo_show_layout(cr, drawn.get());
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    int x0 = sw, y0 = sh, x1 = -1, y1 = -1;
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x)
            if (data[y * stride + x] >= 128) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    if (x1 >= 0) {
        glyph.width = x1 - x0 + 1;
        glyph.height = y1 - y0 + 1;
        glyph.rowBytes = (glyph.width + 7) / 8;
        glyph.bits.assign(static_cast<std::size_t>(glyph.rowBytes) * glyph.height, 0);
        for (int row = 0; row < glyph.height; ++row) {
            int y = y1 - row;  // bottom row first
            for (int x = x0; x <= x1; ++x)
                if (data[y * stride + x] >= 128) glyph.bits[row * glyph.rowBytes + (x - x0) / 8] |= 0x80 >> ((x - x0) % 8);
        }
        int baseline = margin + pango_layout_get_baseline(drawn.get()) / PANGO_SCALE;
        glyph.originX = static_cast<float>(margin - x0);
        glyph.originY = static_cast<float>(y1 + 1 - baseline);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return glyph;
}

}  // namespace platform::text

using platform::text::DecodeUtf8;

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int size, LPWSTR wide, int wideSize)
{
    if (!text || size == 0 || size < -1 || wideSize < 0) return 0;
    int n = size < 0 ? static_cast<int>(std::strlen(text)) + 1 : size;  // -1 converts the terminator too
    if (flags & MB_ERR_INVALID_CHARS) {
        auto p = reinterpret_cast<const unsigned char*>(text);
        for (int i = 0; i < n;) {
            char32_t cp;
            int len = platform::text::SequenceLength(p + i, n - i, &cp);
            if (!len) return 0;
            i += len;
        }
    }
    std::u32string units = DecodeUtf8(text, n);
    int needed = static_cast<int>(units.size());
    if (wideSize == 0) return needed;
    if (!wide || wideSize < needed) return 0;
    for (int i = 0; i < needed; ++i) wide[i] = static_cast<WCHAR>(units[i]);
    return needed;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int size, LPSTR text, int textSize, LPCSTR defaultChar,
                        BOOL* usedDefault)
{
    if (usedDefault) *usedDefault = FALSE;
    if (!wide || size == 0 || size < -1 || textSize < 0) return 0;
    int n = size;
    if (n < 0) {
        n = 0;
        while (wide[n]) ++n;
        ++n;  // with its terminator
    }
    std::string bytes = platform::text::EncodeUtf8(wide, n);
    int needed = static_cast<int>(bytes.size());
    if (textSize == 0) return needed;
    if (!text || textSize < needed) return 0;
    std::memcpy(text, bytes.data(), bytes.size());
    return needed;
}

LPSTR CharNextA(LPCSTR text)
{
    if (!text || !*text) return const_cast<LPSTR>(text);
    char32_t cp;
    int len = platform::text::SequenceLength(reinterpret_cast<const unsigned char*>(text),
                                             static_cast<int>(strnlen(text, 4)), &cp);
    return const_cast<LPSTR>(text + (len ? len : 1));
}
