// Text in OpenGL contexts: glyphs rasterised once per font and character, put into display lists
// (wglUseFontBitmaps) or drawn straight from the store (platform::wgl::DrawGlyphRuns), under an
// inverting logic operation all texts of a call in one draw.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/gdi/gdi_access.h"
#include "platform/text/text.h"
#include "platform/wgl/wgl.h"
#include "platform/wgl/wgl_detail.h"

namespace {

using platform::text::FontSpec;
using platform::text::GlyphBitmap;

// The glyphs of one font, by character.
using GlyphTable = std::unordered_map<char32_t, GlyphBitmap>;

struct FontLess {
    bool operator()(const FontSpec& a, const FontSpec& b) const
    {
        auto tie = [](const FontSpec& f) { return std::tie(f.face, f.height, f.weight, f.italic, f.underline, f.strikeOut, f.antialias); };
        return tie(a) < tie(b);
    }
};

// A font's glyphs, rasterised on first use and kept for the whole run, whichever contexts, lists
// and texts draw them. Used under the lock it hands back.
class GlyphStore {
public:
    GlyphStore(const FontSpec& font) : m_lock(Mutex()), m_font(font), m_glyphs(Fonts()[font]) {}

    const GlyphBitmap& Glyph(char32_t codePoint)
    {
        auto it = m_glyphs.find(codePoint);
        if (it == m_glyphs.end()) it = m_glyphs.emplace(codePoint, platform::text::RasteriseGlyph(m_font, codePoint)).first;
        return it->second;
    }

private:
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::map<FontSpec, GlyphTable, FontLess>& Fonts()
    {
        static auto* fonts = new std::map<FontSpec, GlyphTable, FontLess>;
        return *fonts;
    }

    std::lock_guard<std::mutex> m_lock;
    const FontSpec& m_font;
    GlyphTable& m_glyphs;
};

// Tightly packed glyph rows for glBitmap while it lives; the caller's unpacking state is put back
// afterwards. glBitmap reads the state when it draws, or when a list is made of it.
class TightUnpacking {
public:
    TightUnpacking()
    {
        for (std::size_t i = 0; i < kNames.size(); ++i) glGetIntegerv(kNames[i], &m_saved[i]);
        for (GLenum name : kNames) glPixelStorei(name, name == GL_UNPACK_ALIGNMENT ? 1 : 0);
    }
    ~TightUnpacking()
    {
        for (std::size_t i = 0; i < kNames.size(); ++i) glPixelStorei(kNames[i], m_saved[i]);
    }
    TightUnpacking(const TightUnpacking&) = delete;
    TightUnpacking& operator=(const TightUnpacking&) = delete;

private:
    static constexpr std::array<GLenum, 6> kNames = {GL_UNPACK_ALIGNMENT,   GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS,
                                                     GL_UNPACK_SKIP_PIXELS, GL_UNPACK_LSB_FIRST,  GL_UNPACK_SWAP_BYTES};
    std::array<GLint, kNames.size()> m_saved{};
};

void DrawGlyph(const GlyphBitmap& g)
{
    static const GLubyte kEmpty = 0;
    glBitmap(g.width, g.height, g.originX, g.originY, g.advance, 0, g.bits.empty() ? &kEmpty : g.bits.data());
}

// Only moves the raster position as the glyph does, with the same arithmetic.
void SkipGlyph(const GlyphBitmap& g)
{
    static const GLubyte kEmpty = 0;
    glBitmap(0, 0, 0, 0, g.advance, 0, &kEmpty);
}

BOOL UseFontBitmaps(HDC dc, DWORD first, DWORD count, DWORD listBase, bool bytes)
{
    FontSpec font;
    if (!wglGetCurrentContext() || !platform::gdi::SelectedFont(dc, &font)) return FALSE;
    platform::wgl::detail::ClearErrors();
    {
        TightUnpacking tight;
        GlyphStore store(font);
        for (DWORD i = 0; i < count; ++i) {
            char32_t cp = first + i;
            glNewList(listBase + i, GL_COMPILE);
            if (!bytes || cp < 0x80) DrawGlyph(store.Glyph(cp));
            glEndList();
        }
    }
    return glGetError() == GL_NO_ERROR ? TRUE : FALSE;
}

// ---- texts drawn together ----
//
// Some drivers (Mesa's) gather bitmaps drawn one after another into one draw, and where two of
// them meet, the pixel is drawn once instead of twice: under an inverting logic operation or with
// blending the picture then differs from what lists of glyphs draw, each glyph by itself. So texts
// that meet go into different layers, drawn one after another and kept apart by a draw of
// something else in between; and as many texts as do not meet share a layer.

// The window pixels a glyph drawn from the raster position (x, y) covers. The driver rounds the
// position its own way (glBitmap's floor, perhaps after a small epsilon): just below a whole
// number the glyph may land a pixel further on, so it covers that pixel too.
RECT GlyphPixels(const GlyphBitmap& g, float x, float y)
{
    auto low = [](float v) { return static_cast<LONG>(std::floor(v)); };
    auto slack = [](float v) { return v - std::floor(v) > 0.999f ? 1 : 0; };
    const float left = x - g.originX, bottom = y - g.originY;
    return RECT{low(left), low(bottom), low(left) + g.width + slack(left), low(bottom) + g.height + slack(bottom)};
}

bool Meet(const RECT& a, const RECT& b) { return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom; }

bool MeetsAny(const std::vector<RECT>& rects, const RECT& r)
{
    return std::any_of(rects.begin(), rects.end(), [&r](const RECT& o) { return Meet(o, r); });
}

// A draw of nothing (a polygon of one vertex, whatever the matrices): the driver draws what it
// gathered before it.
void KeepApart()
{
    glBegin(GL_POLYGON);
    glVertex2f(0, 0);
    glEnd();
}

struct PlacedRun {
    const platform::wgl::GlyphRun* run = nullptr;
    bool valid = false;  // the raster position, in window pixels
    float x = 0;
    float y = 0;
    std::vector<const GlyphBitmap*> glyphs;
    std::vector<RECT> pixels;  // of the glyphs that draw, while the raster position is valid
    RECT bounds{0, 0, 0, 0};   // of them all
    int layer = 0;
};

// Where the run's glyphs land; the raster position is the run's afterwards.
PlacedRun Place(const platform::wgl::GlyphRun& run, GlyphStore& store)
{
    PlacedRun p;
    p.run = &run;
    glRasterPos2f(run.x, run.y);
    GLint valid = GL_FALSE;
    GLfloat position[4] = {};
    glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
    p.valid = valid != GL_FALSE;
    p.x = position[0];
    p.y = position[1];
    float x = position[0];
    for (int i = 0; i < run.count; ++i) {
        const GlyphBitmap& g = store.Glyph(static_cast<char32_t>(run.text[i]));
        p.glyphs.push_back(&g);
        if (valid && !g.bits.empty()) {
            const RECT r = GlyphPixels(g, x, position[1]);
            p.bounds = p.pixels.empty() ? r
                                        : RECT{std::min(p.bounds.left, r.left), std::min(p.bounds.top, r.top),
                                               std::max(p.bounds.right, r.right), std::max(p.bounds.bottom, r.bottom)};
            p.pixels.push_back(r);
        }
        x += g.advance;  // as the raster position moves
    }
    return p;
}

// The lowest layer where the run meets no run placed there before it.
void AssignLayer(PlacedRun& p, const std::vector<PlacedRun>& before)
{
    std::vector<bool> taken;
    for (const PlacedRun& o : before) {
        if (!Meet(p.bounds, o.bounds) ||
            std::none_of(p.pixels.begin(), p.pixels.end(), [&o](const RECT& r) { return MeetsAny(o.pixels, r); }))
            continue;
        if (taken.size() <= static_cast<std::size_t>(o.layer)) taken.resize(static_cast<std::size_t>(o.layer) + 1);
        taken[static_cast<std::size_t>(o.layer)] = true;
    }
    p.layer = static_cast<int>(std::find(taken.begin(), taken.end(), false) - taken.begin());
}

// The run's glyphs from its raster position; glyphs of the run that meet each other are kept apart.
void Draw(const PlacedRun& p)
{
    glRasterPos2f(p.run->x, p.run->y);
    std::vector<RECT> drawn;
    std::size_t next = 0;  // index into p.pixels
    for (const GlyphBitmap* g : p.glyphs) {
        if (!g->bits.empty() && next < p.pixels.size()) {
            const RECT& r = p.pixels[next++];
            if (MeetsAny(drawn, r)) {
                KeepApart();
                drawn.clear();
            }
            drawn.push_back(r);
        }
        DrawGlyph(*g);
    }
}

// Where glBitmap puts a glyph's lower-left pixel: the raster position less the glyph's origin,
// rounded down after the driver's allowance for a position a hair below a whole pixel.
int BitmapCorner(float rasterPosition, float origin)
{
    constexpr float kAllowance = 0.0001f;
    return static_cast<int>(std::floor(rasterPosition + kAllowance - origin));
}

// Gathers the run's glyphs where they would land, the position moving on by each advance as
// the raster position does.
void Gather(platform::wgl::PixelInversion& inversion, const PlacedRun& p)
{
    if (!p.valid) return;
    float x = p.x;
    for (const GlyphBitmap* g : p.glyphs) {
        if (!g->bits.empty())
            inversion.Add(BitmapCorner(x, g->originX), BitmapCorner(p.y, g->originY), g->width, g->height, g->rowBytes, g->bits.data());
        x += g->advance;
    }
}

// Sets the raster position where the run leaves it.
void MoveOver(const PlacedRun& p)
{
    glRasterPos2f(p.run->x, p.run->y);
    for (const GlyphBitmap* g : p.glyphs) SkipGlyph(*g);
}

}  // namespace

BOOL wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase) { return UseFontBitmaps(dc, first, count, listBase, true); }
BOOL wglUseFontBitmapsW(HDC dc, DWORD first, DWORD count, DWORD listBase) { return UseFontBitmaps(dc, first, count, listBase, false); }

BOOL platform::wgl::DrawGlyphRuns(HDC dc, const GlyphRun* runs, int count)
{
    FontSpec font;
    if (!wglGetCurrentContext() || (count > 0 && !runs) || !platform::gdi::SelectedFont(dc, &font)) return FALSE;
    if (count <= 0) return TRUE;
    TightUnpacking tight;
    GlyphStore store(font);
    std::vector<PlacedRun> placed;
    placed.reserve(static_cast<std::size_t>(count));
    if (platform::wgl::PixelInversion::Applies()) {
        // One draw for all the texts, however they cross: the driver's own bitmap draws cost
        // many times more, a draw for every few glyphs. The gathering is kept for the thread's
        // next texts, as its mask is as large as the framebuffer.
        static thread_local platform::wgl::PixelInversion inversion;
        for (int i = 0; i < count; ++i) {
            placed.push_back(Place(runs[i], store));
            Gather(inversion, placed.back());
        }
        inversion.Draw();
        MoveOver(placed.back());
        return TRUE;
    }
    int layers = 0;
    for (int i = 0; i < count; ++i) {
        PlacedRun p = Place(runs[i], store);
        AssignLayer(p, placed);
        layers = std::max(layers, p.layer + 1);
        placed.push_back(std::move(p));
    }
    const PlacedRun* last = nullptr;
    for (int layer = 0; layer < layers; ++layer) {
        KeepApart();  // from the bitmaps drawn before, by this call or another
        for (const PlacedRun& p : placed) {
            if (p.layer != layer) continue;
            Draw(p);
            last = &p;
        }
    }
    // The raster position as the last text leaves it, when another was drawn after it.
    if (last != &placed.back()) MoveOver(placed.back());
    return TRUE;
}
