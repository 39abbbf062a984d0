#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/gdi/gdi_access.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"

namespace platform::gdi::detail {
namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<GdiObject*, std::shared_ptr<GdiObject>> objects;
    std::unordered_map<HDC__*, std::unique_ptr<HDC__>> dcs;
    std::unordered_set<HICON__*> icons;
};
Table& table()
{
    static Table* t = new Table;  // lives to the end, for objects freed during static destruction
    return *t;
}

std::shared_ptr<GdiObject> MakeStock(int index)
{
    auto brush = [](bool hollow, COLORREF c) {
        auto b = std::make_shared<HBRUSH__>();
        b->hollow = hollow, b->color = c;
        return std::shared_ptr<GdiObject>(b);
    };
    auto pen = [](int style, COLORREF c) {
        auto p = std::make_shared<HPEN__>();
        p->style = style, p->color = c;
        return std::shared_ptr<GdiObject>(p);
    };
    switch (index) {
    case WHITE_BRUSH: return brush(false, RGB(255, 255, 255));
    case LTGRAY_BRUSH: return brush(false, RGB(192, 192, 192));
    case GRAY_BRUSH: return brush(false, RGB(128, 128, 128));
    case DKGRAY_BRUSH: return brush(false, RGB(64, 64, 64));
    case BLACK_BRUSH: return brush(false, RGB(0, 0, 0));
    case NULL_BRUSH: return brush(true, 0);
    case WHITE_PEN: return pen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN: return pen(PS_SOLID, RGB(0, 0, 0));
    case NULL_PEN: return pen(PS_NULL, 0);
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT: {
        auto f = std::make_shared<HFONT__>();
        f->spec = DefaultFont();
        return f;
    }
    default: return nullptr;
    }
}

}  // namespace

const platform::text::FontSpec& DefaultFont()
{
    static const platform::text::FontSpec font = platform::text::PointFont(90, "MS Shell Dlg");
    return font;
}

std::shared_ptr<GdiObject> Find(HGDIOBJ handle, DWORD type)
{
    if (!handle) return nullptr;
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.objects.find(static_cast<GdiObject*>(handle));
    if (it == t.objects.end() || (type && it->second->type != type)) return nullptr;
    return it->second;
}

HGDIOBJ Register(std::shared_ptr<GdiObject> object)
{
    Table& t = table();
    GdiObject* key = object.get();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.objects.emplace(key, std::move(object));
    return key;
}

HDC__* FindDC(HDC dc)
{
    if (!dc) return nullptr;
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.dcs.find(dc);
    return it == t.dcs.end() ? nullptr : it->second.get();
}

HDC RegisterDC(std::unique_ptr<HDC__> dc)
{
    Table& t = table();
    HDC key = dc.get();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.dcs.emplace(key, std::move(dc));
    return key;
}

bool UnregisterDC(HDC dc)
{
    std::unique_ptr<HDC__> doomed;
    {
        Table& t = table();
        std::lock_guard<std::mutex> lock(t.mutex);
        auto it = t.dcs.find(dc);
        if (it == t.dcs.end()) return false;
        doomed = std::move(it->second);
        t.dcs.erase(it);
    }
    ForgetWrapper(dc);
    return true;  // the DC and the objects only it still held go with `doomed`
}

bool IsLiveIcon(HICON icon)
{
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    return icon && t.icons.count(icon) != 0;
}

cairo_t* Context(HDC__* dc)
{
    if (!dc) return nullptr;
    if (dc->hwnd) {
        platform::user::Surface* s = platform::user::GetWindowSurface(dc->hwnd);
        if (!s || !s->pixels || s->width <= 0 || s->height <= 0) {
            dc->DropTarget();
            return nullptr;
        }
        // A client DC covers the client area at its current size; a paint DC its update rectangle.
        if (!dc->paint && (s->width != dc->targetWidth || s->height != dc->targetHeight)) dc->clip = RECT{0, 0, s->width, s->height};
        // The window's pixels move when its size changes; follow them.
        if (s->pixels != dc->targetPixels || s->width != dc->targetWidth || s->height != dc->targetHeight) {
            dc->DropTarget();
            dc->target = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(s->pixels), CAIRO_FORMAT_ARGB32,
                                                             s->width, s->height, s->stride);
            dc->targetPixels = s->pixels;
            dc->targetWidth = s->width, dc->targetHeight = s->height;
            dc->cr = cairo_create(dc->target);
            cairo_rectangle(dc->cr, dc->clip.left, dc->clip.top, dc->clip.right - dc->clip.left, dc->clip.bottom - dc->clip.top);
            cairo_clip(dc->cr);
        }
        cairo_surface_mark_dirty(dc->target);
        dc->touched = true;
    } else if (!dc->cr) {
        auto bitmap = std::static_pointer_cast<HBITMAP__>(dc->bitmap);
        if (!bitmap || !bitmap->surface) return nullptr;
        dc->target = cairo_surface_reference(bitmap->surface);
        dc->cr = cairo_create(dc->target);
    }
    if (cairo_status(dc->cr) != CAIRO_STATUS_SUCCESS) return nullptr;
    return dc->cr;
}

}  // namespace platform::gdi::detail

using namespace platform::gdi::detail;

void HDC__::DropTarget()
{
    if (cr) cairo_destroy(cr);
    if (target) cairo_surface_destroy(target);
    cr = nullptr, target = nullptr, targetPixels = nullptr;
    targetWidth = targetHeight = 0;
}

HDC__::~HDC__() { DropTarget(); }

namespace {

// A drawing step on a DC: takes the context with a saved state and flushes the target after.
class Drawing {
public:
    explicit Drawing(HDC dc) : dc_(FindDC(dc)), cr_(Context(dc_))
    {
        if (cr_) {
            cairo_save(cr_);
            cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);  // GDI draws without smoothing
        }
    }
    ~Drawing()
    {
        if (cr_) {
            cairo_restore(cr_);
            cairo_surface_flush(dc_->target);
        }
    }
    explicit operator bool() const { return cr_ != nullptr; }
    HDC__* dc() const { return dc_; }
    cairo_t* cr() const { return cr_; }

private:
    HDC__* dc_;
    cairo_t* cr_;
};

void SetColor(cairo_t* cr, COLORREF c) { cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0); }

HPEN__* PenOf(HDC__* dc) { return static_cast<HPEN__*>(dc->pen.get()); }
HBRUSH__* BrushOf(HDC__* dc) { return static_cast<HBRUSH__*>(dc->brush.get()); }

// The on and off lengths of a cosmetic pen's pattern, in pixels.
std::vector<int> DashPattern(int style)
{
    switch (style) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    default: return {};
    }
}

// Calls plot(x, y) for the pixels of a one-pixel line from (x0, y0) to (x1, y1), the last one
// left out, as GDI steps them.
template <class Plot>
void StepLine(int x0, int y0, int x1, int y1, Plot plot)
{
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        plot(x0, y0);
        int e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx;
        if (e2 <= dx) err += dx, y0 += sy;
    }
}

// Strokes a polyline with the DC's pen; the last point is not drawn.
void StrokePen(cairo_t* cr, HDC__* dc, const std::vector<POINT>& points, bool closed)
{
    HPEN__* pen = PenOf(dc);
    if (!pen || (pen->style & PS_STYLE_MASK) == PS_NULL || points.size() < 2) return;
    int style = pen->style & PS_STYLE_MASK;
    if (pen->width <= 1) {
        std::vector<int> dash = DashPattern(style);
        int period = 0;
        for (int d : dash) period += d;
        // Pixels on the pattern's gaps take the background colour in OPAQUE mode.
        bool fillGaps = !dash.empty() && dc->bkMode == OPAQUE;
        cairo_new_path(cr);
        std::vector<std::pair<int, int>> gapPixels;
        int step = 0;
        auto segment = [&](POINT a, POINT b) {
            StepLine(a.x, a.y, b.x, b.y, [&](int x, int y) {
                bool on = true;
                if (period) {
                    int phase = step % period, k = 0;
                    while (phase >= dash[k]) phase -= dash[k], ++k;
                    on = (k % 2) == 0;
                }
                ++step;
                if (on)
                    cairo_rectangle(cr, x, y, 1, 1);
                else if (fillGaps)
                    gapPixels.emplace_back(x, y);
            });
        };
        for (size_t i = 0; i + 1 < points.size(); ++i) segment(points[i], points[i + 1]);
        if (closed) segment(points.back(), points.front());
        SetColor(cr, pen->color);
        cairo_fill(cr);
        if (!gapPixels.empty()) {
            for (auto [x, y] : gapPixels) cairo_rectangle(cr, x, y, 1, 1);
            SetColor(cr, dc->bkColor);
            cairo_fill(cr);
        }
        return;
    }
    // Wide pens are solid with round ends, centred on the pixel line.
    cairo_new_path(cr);
    cairo_move_to(cr, points[0].x + 0.5, points[0].y + 0.5);
    for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
    if (closed) cairo_close_path(cr);
    cairo_set_line_width(cr, pen->width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColor(cr, pen->color);
    cairo_stroke(cr);
}

bool FillWithBrush(cairo_t* cr, HBRUSH__* brush)
{
    if (!brush || brush->hollow) {
        cairo_new_path(cr);
        return false;
    }
    SetColor(cr, brush->color);
    cairo_fill(cr);
    return true;
}

// Makes a bitmap object of the size, black and opaque.
std::shared_ptr<HBITMAP__> NewBitmap(int width, int height, int bitsPixel)
{
    if (width <= 0 || height <= 0 || width > 32768 || height > 32768) return nullptr;
    auto b = std::make_shared<HBITMAP__>();
    b->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(b->surface) != CAIRO_STATUS_SUCCESS) return nullptr;
    auto* px = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(b->surface));
    std::fill(px, px + static_cast<std::size_t>(cairo_image_surface_get_stride(b->surface) / 4) * height, 0xFF000000u);
    cairo_surface_mark_dirty(b->surface);
    b->bitsPixel = bitsPixel;
    return b;
}

int RowBytes(const HBITMAP__& b)
{
    int w = cairo_image_surface_get_width(b.surface);
    return b.bitsPixel == 24 ? (w * 3 + 1) / 2 * 2 : w * 4;  // device bitmap rows are word-aligned
}

// The pixels a DC draws into, to copy from; null for a dead DC or one without pixels.
cairo_surface_t* SourceSurface(HDC source)
{
    HDC__* dc = FindDC(source);
    if (!Context(dc)) return nullptr;
    return dc->target;
}

// Area-averaging resample of the source rectangle to width x height (both shrinking or equal).
cairo_surface_t* Average(cairo_surface_t* src, int sx, int sy, int sw, int sh, int width, int height)
{
    int srcW = cairo_image_surface_get_width(src), srcH = cairo_image_surface_get_height(src);
    int stride = cairo_image_surface_get_stride(src) / 4;
    const auto* px = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(src));
    // Weights of source index for each target index along one axis.
    struct Span {
        int first;
        std::vector<double> weights;
    };
    auto spans = [](int start, int count, int size, int limit) {
        std::vector<Span> out(size);
        double scale = static_cast<double>(count) / size;
        for (int i = 0; i < size; ++i) {
            double a = start + i * scale, b = start + (i + 1) * scale;
            int first = static_cast<int>(std::floor(a)), last = static_cast<int>(std::ceil(b)) - 1;
            out[i].first = first;
            for (int s = first; s <= last; ++s) {
                double w = std::min<double>(b, s + 1) - std::max<double>(a, s);
                out[i].weights.push_back(s >= 0 && s < limit ? w : 0.0);
            }
        }
        return out;
    };
    std::vector<Span> xs = spans(sx, sw, width, srcW), ys = spans(sy, sh, height, srcH);
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    auto* dst = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(out));
    int dstStride = cairo_image_surface_get_stride(out) / 4;
    std::vector<double> row(static_cast<std::size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0.0);
        double total = 0;
        for (size_t j = 0; j < ys[y].weights.size(); ++j) {
            int syy = ys[y].first + static_cast<int>(j);
            double wy = ys[y].weights[j];
            if (wy <= 0) continue;
            total += wy;
            const std::uint32_t* line = px + static_cast<std::ptrdiff_t>(syy) * stride;
            for (int x = 0; x < width; ++x) {
                double c[4] = {0, 0, 0, 0}, tw = 0;
                for (size_t i = 0; i < xs[x].weights.size(); ++i) {
                    double wx = xs[x].weights[i];
                    if (wx <= 0) continue;
                    std::uint32_t p = line[xs[x].first + i];
                    c[0] += wx * (p >> 24), c[1] += wx * ((p >> 16) & 0xFF), c[2] += wx * ((p >> 8) & 0xFF), c[3] += wx * (p & 0xFF);
                    tw += wx;
                }
                for (int k = 0; k < 4 && tw > 0; ++k) row[x * 4 + k] += wy * c[k] / tw;
            }
        }
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = 0;
            for (int k = 0; k < 4; ++k) {
                double v = total > 0 ? row[x * 4 + k] / total : 0;
                p = (p << 8) | static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L));
            }
            dst[static_cast<std::ptrdiff_t>(y) * dstStride + x] = p;
        }
    }
    cairo_surface_mark_dirty(out);
    return out;
}

// The text without its mnemonic marks ("&&" stands for "&"); mnemonic (may be null) gets the
// index, in characters, of the character after the first single '&', or -1.
std::string StripPrefix(const std::string& text, int* mnemonic)
{
    std::string out;
    if (mnemonic) *mnemonic = -1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') out += '&';
            else if (mnemonic && *mnemonic < 0 && i + 1 < text.size())
                *mnemonic = platform::text::CountCharacters(out.c_str(), static_cast<int>(out.size()));
            ++i;
            if (i < text.size() && text[i] != '&') out += text[i];
            continue;
        }
        out += text[i];
    }
    return out;
}

void PaintIcon(cairo_t* cr, HICON icon, int x, int y, int width, int height, bool disabled)
{
    cairo_surface_t* s = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(icon->pixels.data()),
                                                             CAIRO_FORMAT_ARGB32, icon->width, icon->height, icon->width * 4);
    cairo_translate(cr, x, y);
    cairo_scale(cr, static_cast<double>(width) / icon->width, static_cast<double>(height) / icon->height);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    if (disabled) {
        // Greyed: the icon's shape in a mid grey.
        cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
        cairo_mask_surface(cr, s, 0, 0);
    } else {
        cairo_paint(cr);
    }
    cairo_surface_destroy(s);
}

}  // namespace

namespace platform::gdi {

cairo_t* CairoOf(HDC dc) { return Context(FindDC(dc)); }

cairo_surface_t* SurfaceOf(HDC dc)
{
    HDC__* d = FindDC(dc);
    return Context(d) ? d->target : nullptr;
}

bool SelectedFont(HDC dc, platform::text::FontSpec* out)
{
    HDC__* d = FindDC(dc);
    if (!d) return false;
    *out = d->font ? static_cast<HFONT__*>(d->font.get())->spec : DefaultFont();
    return true;
}

bool FontSpecOf(HFONT font, platform::text::FontSpec* out)
{
    auto f = Find(font, OBJ_FONT);
    if (!f) return false;
    *out = static_cast<HFONT__*>(f.get())->spec;
    return true;
}

HBITMAP CreateBitmapFromPixels(int width, int height, const std::uint32_t* pixels, int stride)
{
    auto b = NewBitmap(width, height, 32);
    if (!b || !pixels) return nullptr;
    auto* dst = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(b->surface));
    int dstStride = cairo_image_surface_get_stride(b->surface) / 4;
    for (int y = 0; y < height; ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const std::uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) dst[static_cast<std::ptrdiff_t>(y) * dstStride + x] = src[x] | 0xFF000000u;
    }
    cairo_surface_mark_dirty(b->surface);
    return static_cast<HBITMAP>(Register(b));
}

cairo_surface_t* BitmapSurface(HBITMAP bitmap)
{
    auto b = Find(bitmap, OBJ_BITMAP);
    return b ? static_cast<HBITMAP__*>(b.get())->surface : nullptr;
}

HICON CreateIconFromPixels(int width, int height, const std::uint32_t* pixels, int stride)
{
    if (width <= 0 || height <= 0 || !pixels || stride < width * 4) return nullptr;
    auto* icon = new HICON__;
    icon->width = width, icon->height = height;
    icon->pixels.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        std::memcpy(&icon->pixels[static_cast<std::size_t>(y) * width], reinterpret_cast<const std::uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(y) * stride, width * 4);
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.icons.insert(icon);
    return icon;
}

}  // namespace platform::gdi

HDC CreateCompatibleDC(HDC dc)
{
    if (dc && !FindDC(dc)) return nullptr;
    auto d = std::make_unique<HDC__>();
    d->bitmap = NewBitmap(1, 1, 32);
    return RegisterDC(std::move(d));
}

BOOL DeleteDC(HDC dc)
{
    HDC__* d = FindDC(dc);
    if (!d || d->hwnd) return FALSE;  // window DCs go back through ReleaseDC or EndPaint
    return UnregisterDC(dc) ? TRUE : FALSE;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height)
{
    if (!FindDC(dc)) return nullptr;
    auto b = NewBitmap(width, height, 32);
    return b ? static_cast<HBITMAP>(Register(b)) : nullptr;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    if (planes != 1 || (bitsPerPixel != 32 && bitsPerPixel != 24)) return nullptr;
    auto b = NewBitmap(width, height, static_cast<int>(bitsPerPixel));
    if (!b) return nullptr;
    HBITMAP handle = static_cast<HBITMAP>(Register(b));
    if (bits) SetBitmapBits(handle, static_cast<DWORD>(RowBytes(*b) * height), bits);
    return handle;
}

LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void* bits)
{
    auto obj = Find(bitmap, OBJ_BITMAP);
    if (!obj || !bits) return 0;
    auto* b = static_cast<HBITMAP__*>(obj.get());
    int w = cairo_image_surface_get_width(b->surface), h = cairo_image_surface_get_height(b->surface);
    int rowBytes = RowBytes(*b), bpp = b->bitsPixel / 8;
    int rows = std::min<long>(h, size / rowBytes);
    cairo_surface_flush(b->surface);
    auto* dst = cairo_image_surface_get_data(b->surface);
    int stride = cairo_image_surface_get_stride(b->surface);
    const auto* src = static_cast<const std::uint8_t*>(bits);
    for (int y = 0; y < rows; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) * stride);
        const std::uint8_t* in = src + static_cast<std::ptrdiff_t>(y) * rowBytes;
        // The fourth byte of a 32-bit pixel is not colour; GDI bitmaps are opaque.
        for (int x = 0; x < w; ++x) out[x] = 0xFF000000u | (in[x * bpp + 2] << 16) | (in[x * bpp + 1] << 8) | in[x * bpp];
    }
    cairo_surface_mark_dirty(b->surface);
    return rows * rowBytes;
}

LONG GetBitmapBits(HBITMAP bitmap, LONG size, LPVOID bits)
{
    auto obj = Find(bitmap, OBJ_BITMAP);
    if (!obj || !bits || size <= 0) return 0;
    auto* b = static_cast<HBITMAP__*>(obj.get());
    int w = cairo_image_surface_get_width(b->surface), h = cairo_image_surface_get_height(b->surface);
    int rowBytes = RowBytes(*b), bpp = b->bitsPixel / 8;
    cairo_surface_flush(b->surface);
    const auto* data = cairo_image_surface_get_data(b->surface);
    int stride = cairo_image_surface_get_stride(b->surface);
    auto* out = static_cast<std::uint8_t*>(bits);
    LONG written = 0;
    for (int y = 0; y < h && written < size; ++y) {
        const auto* in = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < w; ++x) {
            row[x * bpp] = in[x] & 0xFF, row[x * bpp + 1] = (in[x] >> 8) & 0xFF, row[x * bpp + 2] = (in[x] >> 16) & 0xFF;
            if (bpp == 4) row[x * bpp + 3] = 0;
        }
        LONG n = std::min<LONG>(rowBytes, size - written);
        std::memcpy(out + written, row.data(), n);
        written += n;
    }
    return written;
}

int GetObject(HGDIOBJ object, int size, LPVOID out)
{
    auto obj = Find(object, OBJ_BITMAP);
    if (!obj) return 0;
    if (!out) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    auto* b = static_cast<HBITMAP__*>(obj.get());
    BITMAP bm{};
    bm.bmWidth = cairo_image_surface_get_width(b->surface);
    bm.bmHeight = cairo_image_surface_get_height(b->surface);
    bm.bmWidthBytes = RowBytes(*b);
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<WORD>(b->bitsPixel);
    std::memcpy(out, &bm, sizeof bm);
    return sizeof(BITMAP);
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    int s = style & PS_STYLE_MASK;
    if (s > PS_NULL) return nullptr;
    auto p = std::make_shared<HPEN__>();
    // Patterned pens are one pixel wide; a wider one draws solid.
    p->width = std::max(1, width);
    p->style = (s != PS_NULL && p->width > 1) ? PS_SOLID : s;
    p->color = color & 0xFFFFFF;
    return static_cast<HPEN>(Register(p));
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto b = std::make_shared<HBRUSH__>();
    b->color = color & 0xFFFFFF;
    return static_cast<HBRUSH>(Register(b));
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR face)
{
    auto f = std::make_shared<HFONT__>();
    f->spec.face = face ? face : "";
    f->spec.height = height;
    f->spec.weight = weight == 0 ? FW_NORMAL : weight;
    f->spec.italic = italic != 0;
    f->spec.underline = underline != 0;
    f->spec.strikeOut = strikeOut != 0;
    f->spec.antialias = quality != NONANTIALIASED_QUALITY;
    return static_cast<HFONT>(Register(f));
}

HGDIOBJ GetStockObject(int index)
{
    static std::mutex mutex;
    static std::unordered_map<int, HGDIOBJ> stock;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = stock.find(index);
    if (it != stock.end()) return it->second;
    std::shared_ptr<GdiObject> obj = MakeStock(index);
    if (!obj) return nullptr;
    obj->stock = true;
    return stock[index] = Register(obj);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    HDC__* d = FindDC(dc);
    auto obj = Find(object);
    if (!d || !obj) return nullptr;
    std::shared_ptr<GdiObject>* slot = nullptr;
    switch (obj->type) {
    case OBJ_PEN: slot = &d->pen; break;
    case OBJ_BRUSH: slot = &d->brush; break;
    case OBJ_FONT: slot = &d->font; break;
    case OBJ_BITMAP:
        if (d->hwnd) return nullptr;
        slot = &d->bitmap;
        d->DropTarget();
        break;
    default: return nullptr;
    }
    std::shared_ptr<GdiObject> previous = *slot;
    *slot = obj;
    // A DC that never had a pen, brush or font selected hands back the stock defaults.
    if (!previous) {
        int stock = obj->type == OBJ_PEN ? BLACK_PEN : obj->type == OBJ_BRUSH ? WHITE_BRUSH : SYSTEM_FONT;
        return GetStockObject(stock);
    }
    return previous.get();
}

BOOL DeleteObject(HGDIOBJ object)
{
    std::shared_ptr<GdiObject> doomed;
    {
        Table& t = table();
        std::lock_guard<std::mutex> lock(t.mutex);
        auto it = t.objects.find(static_cast<GdiObject*>(object));
        if (it == t.objects.end()) return FALSE;
        if (it->second->stock) return TRUE;
        doomed = std::move(it->second);
        t.objects.erase(it);
    }
    return TRUE;  // freed here, or by the last DC that still has it selected
}

DWORD GetObjectType(HGDIOBJ object)
{
    auto obj = Find(object);
    if (obj) return obj->type;
    HDC__* d = FindDC(static_cast<HDC>(object));
    return d ? (d->hwnd ? OBJ_DC : OBJ_MEMDC) : 0;
}

#define VANTREL_DC_FIELD(getter, setter, type, field, fail)  \
    type setter(HDC dc, type value)                          \
    {                                                        \
        HDC__* d = FindDC(dc);                               \
        if (!d) return fail;                                 \
        type old = d->field;                                 \
        d->field = value;                                    \
        return old;                                          \
    }                                                        \
    type getter(HDC dc)                                      \
    {                                                        \
        HDC__* d = FindDC(dc);                               \
        return d ? d->field : fail;                          \
    }
VANTREL_DC_FIELD(GetTextColor, SetTextColor, COLORREF, textColor, 0xFFFFFFFFu)
VANTREL_DC_FIELD(GetBkColor, SetBkColor, COLORREF, bkColor, 0xFFFFFFFFu)
VANTREL_DC_FIELD(GetBkMode, SetBkMode, int, bkMode, 0)
VANTREL_DC_FIELD(GetStretchBltMode, SetStretchBltMode, int, stretchMode, 0)
#undef VANTREL_DC_FIELD

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous)
{
    HDC__* d = FindDC(dc);
    if (!d) return FALSE;
    if (previous) *previous = d->position;
    d->position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y)
{
    HDC__* d = FindDC(dc);
    if (!d) return FALSE;
    POINT from = d->position;
    d->position = POINT{x, y};
    Drawing draw(dc);
    if (!draw) return FALSE;
    StrokePen(draw.cr(), d, {from, POINT{x, y}}, false);
    return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom)
{
    Drawing draw(dc);
    if (!draw) return FALSE;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    cairo_rectangle(draw.cr(), left, top, right - left, bottom - top);
    FillWithBrush(draw.cr(), BrushOf(draw.dc()));
    if (right - left >= 2 && bottom - top >= 2)
        StrokePen(draw.cr(), draw.dc(), {{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}}, true);
    return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom)
{
    Drawing draw(dc);
    if (!draw) return FALSE;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return TRUE;
    cairo_t* cr = draw.cr();
    auto path = [&](double inset) {
        double rx = (right - left) / 2.0 - inset, ry = (bottom - top) / 2.0 - inset;
        cairo_new_path(cr);
        cairo_save(cr);
        cairo_translate(cr, (left + right) / 2.0, (top + bottom) / 2.0);
        cairo_scale(cr, std::max(rx, 0.01), std::max(ry, 0.01));
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
    };
    path(0);
    FillWithBrush(cr, BrushOf(draw.dc()));
    HPEN__* pen = PenOf(draw.dc());
    if (pen && (pen->style & PS_STYLE_MASK) != PS_NULL) {
        path(pen->width / 2.0);
        cairo_set_line_width(cr, pen->width);
        SetColor(cr, pen->color);
        cairo_stroke(cr);
    }
    return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    auto obj = Find(brush, OBJ_BRUSH);
    if (!rect || !obj) return 0;
    Drawing draw(dc);
    if (!draw) return 0;
    cairo_rectangle(draw.cr(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    FillWithBrush(draw.cr(), static_cast<HBRUSH__*>(obj.get()));
    return 1;
}

BOOL GradientFill(HDC dc, TRIVERTEX* vertices, ULONG vertexCount, void* meshes, ULONG meshCount, ULONG mode)
{
    if (!vertices || !meshes || (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V)) return FALSE;
    Drawing draw(dc);
    if (!draw) return FALSE;
    cairo_t* cr = draw.cr();
    const auto* rects = static_cast<const GRADIENT_RECT*>(meshes);
    for (ULONG i = 0; i < meshCount; ++i) {
        if (rects[i].UpperLeft >= vertexCount || rects[i].LowerRight >= vertexCount) return FALSE;
        TRIVERTEX a = vertices[rects[i].UpperLeft], b = vertices[rects[i].LowerRight];
        int x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x), y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
        if (x1 <= x0 || y1 <= y0) continue;
        // The first vertex's colour sits on the first pixel column (row), the second's on the last.
        if ((mode == GRADIENT_FILL_RECT_H && a.x > b.x) || (mode == GRADIENT_FILL_RECT_V && a.y > b.y)) std::swap(a, b);
        cairo_pattern_t* p = mode == GRADIENT_FILL_RECT_H ? cairo_pattern_create_linear(x0 + 0.5, 0, std::max(x1 - 0.5, x0 + 0.5), 0)
                                                          : cairo_pattern_create_linear(0, y0 + 0.5, 0, std::max(y1 - 0.5, y0 + 0.5));
        auto stop = [&](double at, const TRIVERTEX& v) {
            cairo_pattern_add_color_stop_rgb(p, at, (v.Red >> 8) / 255.0, (v.Green >> 8) / 255.0, (v.Blue >> 8) / 255.0);
        };
        stop(0, a), stop(1, b);
        cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
        cairo_set_source(cr, p);
        cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
    return TRUE;
}

namespace {

// Copies through a pattern over `source`, which may be the target itself (then via a copy).
BOOL PaintFrom(const Drawing& draw, cairo_surface_t* source, cairo_matrix_t* matrix, cairo_filter_t filter, int x, int y, int w, int h)
{
    cairo_t* cr = draw.cr();
    cairo_surface_t* copy = nullptr;
    if (source == draw.dc()->target) {
        copy = cairo_surface_create_similar_image(source, CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(source),
                                                  cairo_image_surface_get_height(source));
        cairo_t* c = cairo_create(copy);
        cairo_set_source_surface(c, source, 0, 0);
        cairo_set_operator(c, CAIRO_OPERATOR_SOURCE);
        cairo_paint(c);
        cairo_destroy(c);
        source = copy;
    }
    cairo_pattern_t* p = cairo_pattern_create_for_surface(source);
    cairo_pattern_set_matrix(p, matrix);
    cairo_pattern_set_filter(p, filter);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_NONE);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    if (copy) cairo_surface_destroy(copy);
    return TRUE;
}

}  // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop)
{
    if (rop != SRCCOPY || width < 0 || height < 0) return FALSE;
    cairo_surface_t* src = SourceSurface(source);
    Drawing draw(dest);
    if (!draw || !src) return FALSE;
    cairo_surface_flush(src);
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, sx - x, sy - y);
    return PaintFrom(draw, src, &m, CAIRO_FILTER_NEAREST, x, y, width, height);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh, DWORD rop)
{
    if (rop != SRCCOPY) return FALSE;
    cairo_surface_t* src = SourceSurface(source);
    HDC__* d = FindDC(dest);
    if (!src || !d || width == 0 || height == 0 || sw == 0 || sh == 0) return src && d ? TRUE : FALSE;
    cairo_surface_flush(src);
    bool halftone = d->stretchMode == HALFTONE;
    if (halftone && width > 0 && height > 0 && sw >= width && sh >= height) {
        cairo_surface_t* averaged = Average(src, sx, sy, sw, sh, width, height);
        Drawing draw(dest);
        if (!draw) {
            cairo_surface_destroy(averaged);
            return FALSE;
        }
        cairo_matrix_t m;
        cairo_matrix_init_translate(&m, -x, -y);
        BOOL ok = PaintFrom(draw, averaged, &m, CAIRO_FILTER_NEAREST, x, y, width, height);
        cairo_surface_destroy(averaged);
        return ok;
    }
    Drawing draw(dest);
    if (!draw) return FALSE;
    // Target pixel (x + i) takes source (sx + i * sw / width); negative extents mirror.
    cairo_matrix_t m;
    cairo_matrix_init(&m, static_cast<double>(sw) / width, 0, 0, static_cast<double>(sh) / height, 0, 0);
    cairo_matrix_t shift;
    cairo_matrix_init_translate(&shift, -x, -y);
    cairo_matrix_multiply(&m, &shift, &m);
    cairo_matrix_t to;
    cairo_matrix_init_translate(&to, sx, sy);
    cairo_matrix_multiply(&m, &m, &to);
    int left = std::min(x, x + width), top = std::min(y, y + height);
    return PaintFrom(draw, src, &m, halftone ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST, left, top, std::abs(width),
                     std::abs(height));
}

int DrawText(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format)
{
    HDC__* d = FindDC(dc);
    if (!d || !text || !rect) return 0;
    std::string s(text, count < 0 ? std::strlen(text) : static_cast<size_t>(count));
    platform::text::TextBox box;
    if (!(format & DT_NOPREFIX)) s = StripPrefix(s, &box.underlined);
    platform::text::FontSpec font = d->font ? static_cast<HFONT__*>(d->font.get())->spec : DefaultFont();
    box.x = rect->left, box.y = rect->top;
    box.width = rect->right - rect->left, box.height = rect->bottom - rect->top;
    box.halign = (format & DT_CENTER) ? platform::text::HAlign::Center
                 : (format & DT_RIGHT) ? platform::text::HAlign::Right
                                       : platform::text::HAlign::Left;
    box.singleLine = (format & DT_SINGLELINE) != 0;
    if (box.singleLine)  // vertical placement is for single lines only
        box.valign = (format & DT_VCENTER) ? platform::text::VAlign::Center
                     : (format & DT_BOTTOM) ? platform::text::VAlign::Bottom
                                            : platform::text::VAlign::Top;
    box.wordBreak = (format & DT_WORDBREAK) != 0;
    box.ellipsis = (format & DT_END_ELLIPSIS) != 0;
    box.clip = !(format & DT_NOCLIP);
    RECT bounds{};
    if (format & DT_CALCRECT) {
        int h = platform::text::DrawTextBox(nullptr, font, s, box, 0, 0, 0, 1, true, &bounds);
        if (!box.wordBreak || box.singleLine) rect->right = rect->left + (bounds.right - bounds.left);
        rect->bottom = rect->top + h;
        return h;
    }
    Drawing draw(dc);
    if (!draw) return 0;
    cairo_t* cr = draw.cr();
    int h = platform::text::DrawTextBox(cr, font, s, box, 0, 0, 0, 1, true, &bounds);
    if (d->bkMode == OPAQUE && bounds.right > bounds.left) {
        cairo_save(cr);
        if (box.clip) {
            cairo_rectangle(cr, box.x, box.y, box.width, box.height);
            cairo_clip(cr);
        }
        cairo_rectangle(cr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
        SetColor(cr, d->bkColor);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    COLORREF c = d->textColor;
    platform::text::DrawTextBox(cr, font, s, box, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0, 1.0, false, nullptr);
    return h;
}

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count)
{
    RECT r{x, y, x + 100000, y + 100000};
    return DrawText(dc, text, count, &r, DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE) > 0 ? TRUE : FALSE;
}

BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, SIZE* size)
{
    platform::text::FontSpec font;
    if (!text || !size || !platform::gdi::SelectedFont(dc, &font)) return FALSE;
    platform::text::TextSize ts = platform::text::MeasureLine(font, std::string(text, count < 0 ? std::strlen(text) : count));
    *size = SIZE{ts.width, ts.height};
    return TRUE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flicker, UINT flags)
{
    if (!IsLiveIcon(icon)) return FALSE;
    Drawing draw(dc);
    if (!draw) return FALSE;
    PaintIcon(draw.cr(), icon, x, y, width > 0 ? width : icon->width, height > 0 ? height : icon->height, false);
    return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon)
{
    // Drawn at the system's icon size, as DrawIcon does.
    int w = GetSystemMetrics(SM_CXICON), h = GetSystemMetrics(SM_CYICON);
    return DrawIconEx(dc, x, y, icon, w > 0 ? w : 32, h > 0 ? h : 32, 0, nullptr, DI_NORMAL);
}

BOOL DestroyIcon(HICON icon)
{
    {
        Table& t = table();
        std::lock_guard<std::mutex> lock(t.mutex);
        if (!icon || !t.icons.erase(icon)) return FALSE;
    }
    delete icon;
    return TRUE;
}

BOOL DrawState(HDC dc, HBRUSH brush, DRAWSTATEPROC proc, LPARAM data, WPARAM wdata, int x, int y, int width, int height, UINT flags)
{
    bool disabled = (flags & DSS_DISABLED) != 0;
    switch (flags & 0x000F) {
    case DST_ICON: {
        auto icon = reinterpret_cast<HICON>(data);
        if (!IsLiveIcon(icon)) return FALSE;
        Drawing draw(dc);
        if (!draw) return FALSE;
        PaintIcon(draw.cr(), icon, x, y, width > 0 ? width : icon->width, height > 0 ? height : icon->height, disabled);
        return TRUE;
    }
    case DST_BITMAP: {
        cairo_surface_t* s = platform::gdi::BitmapSurface(reinterpret_cast<HBITMAP>(data));
        Drawing draw(dc);
        if (!s || !draw) return FALSE;
        int w = width > 0 ? width : cairo_image_surface_get_width(s), h = height > 0 ? height : cairo_image_surface_get_height(s);
        cairo_rectangle(draw.cr(), x, y, w, h);
        cairo_set_source_surface(draw.cr(), s, x, y);
        cairo_fill(draw.cr());
        return TRUE;
    }
    default: return FALSE;
    }
}
