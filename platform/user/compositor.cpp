// Composes window trees into pictures: for presentation, screenshots and tests.
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

#include "platform/user/surface.h"
#include "platform/user/window_tree.h"

using namespace platform::user::detail;

namespace platform::user {

namespace {

constexpr std::uint32_t kFramePixel = 0xFF000000u;

// While messages keep coming, a change waits at most about this long to be presented, or behind
// one paint that is expected to be quick: one that took less than half a frame period (25 frames a
// second) the last time. Before a slower paint, what changed is presented at once. So a finished
// picture reaches the screen within a frame period, and quick paints in a row are presented
// together.
constexpr auto kPresentDelay = std::chrono::milliseconds(10);
constexpr auto kSlowPaint = std::chrono::milliseconds(20);

std::atomic<PresentObserver> g_presentObserver{nullptr};

// Premultiplied source over the destination. A row of opaque pixels (an OpenGL picture, a filled
// background) is copied whole.
void blendRow(std::uint32_t* dst, const std::uint32_t* src, int count)
{
    std::uint32_t all = 0xFFFFFFFFu;
    for (int i = 0; i < count; ++i) all &= src[i];
    if ((all >> 24) == 0xFFu) {
        std::copy_n(src, count, dst);
        return;
    }
    for (int i = 0; i < count; ++i) {
        std::uint32_t s = src[i];
        std::uint32_t a = s >> 24;
        if (a == 255) {
            dst[i] = s;
        } else if (a != 0) {
            std::uint32_t d = dst[i];
            std::uint32_t inv = 255 - a;
            std::uint32_t rb = ((d & 0x00FF00FFu) * inv + 0x00800080u);
            rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
            std::uint32_t ag = (((d >> 8) & 0x00FF00FFu) * inv + 0x00800080u);
            ag = ((ag + ((ag >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
            dst[i] = s + (rb | (ag << 8));
        }
    }
}

// The same over opaque black, whatever the destination held: the bottom layer of a picture.
void overBlackRow(std::uint32_t* dst, const std::uint32_t* src, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t s = src[i];
        std::uint32_t a = s >> 24;
        dst[i] = a == 0 ? kFramePixel : s + ((255 - a) << 24);
    }
}

void fillRect(const Surface& out, const RECT& r, std::uint32_t pixel)
{
    for (int y = r.top; y < r.bottom; ++y) std::fill(out.row(y) + r.left, out.row(y) + r.right, pixel);
}

Surface surfaceOf(Picture& picture) { return Surface{picture.pixels.data(), picture.width, picture.height, picture.width * 4}; }

// Whether every pixel of the window's surface is opaque; found out once after each change.
bool isOpaque(const Node& n)
{
    if (!n.opaque) {
        std::uint32_t all = 0xFFFFFFFFu;
        for (int y = 0; y < n.surface.height; ++y) {
            const std::uint32_t* row = n.surface.row(y);
            for (int x = 0; x < n.surface.width; ++x) all &= row[x];
        }
        n.opaque = n.surface.pixels != nullptr && (all >> 24) == 0xFFu;
    }
    return *n.opaque;
}

// The topmost visible child whose opaque pixels cover all of area (picture coordinates, the
// window's client origin at (ox, oy)): there the window's own pixels and the children below it
// are hidden. Its index, or none.
std::optional<std::size_t> coveringChild(const Node& n, int ox, int oy, const RECT& area)
{
    for (std::size_t i = n.children.size(); i-- > 0;) {
        const Node* cn = Find(n.children[i]);
        if (cn == nullptr || !(cn->style & WS_VISIBLE)) continue;
        const int b = BorderOf(*cn);
        const RECT client{ox + cn->rect.left + b, oy + cn->rect.top + b, ox + cn->rect.left + b + cn->surface.width,
                          oy + cn->rect.top + b + cn->surface.height};
        if (Contains(client, area) && isOpaque(*cn)) return i;
    }
    return std::nullopt;
}

// Lays the window's own pixels at (ox, oy) of the picture (its client origin), then its visible
// children bottom to top, all within clip; the bottom layer of a picture lies over black. What an
// opaque child hides is left out; a window known to be opaque is copied as it is. The caller holds
// the tree lock.
void composeNode(const Surface& out, const Node& n, int ox, int oy, RECT clip, bool bottom = false)
{
    const Surface& s = n.surface;
    const RECT area = Intersection(clip, RECT{ox, oy, ox + s.width, oy + s.height});
    if (IsEmpty(area)) return;
    const std::optional<std::size_t> cover = coveringChild(n, ox, oy, area);
    if (!cover) {
        const bool opaque = n.opaque.value_or(false);
        const int count = area.right - area.left;
        for (int y = area.top; y < area.bottom; ++y) {
            std::uint32_t* to = out.row(y) + area.left;
            const std::uint32_t* from = s.row(y - oy) + (area.left - ox);
            if (opaque) std::copy_n(from, count, to);
            else if (bottom) overBlackRow(to, from, count);
            else blendRow(to, from, count);
        }
    }
    for (std::size_t i = cover.value_or(0); i < n.children.size(); ++i) {
        const Node* cn = Find(n.children[i]);
        if (cn == nullptr || !(cn->style & WS_VISIBLE)) continue;
        RECT wr{ox + cn->rect.left, oy + cn->rect.top, ox + cn->rect.right, oy + cn->rect.bottom};
        RECT cclip = Intersection(area, wr);
        if (IsEmpty(cclip)) continue;
        int b = BorderOf(*cn);
        if (b) {
            RECT edges[4] = {{wr.left, wr.top, wr.right, wr.top + b},
                             {wr.left, wr.bottom - b, wr.right, wr.bottom},
                             {wr.left, wr.top, wr.left + b, wr.bottom},
                             {wr.right - b, wr.top, wr.right, wr.bottom}};
            for (const RECT& e : edges) fillRect(out, Intersection(cclip, e), kFramePixel);
        }
        composeNode(out, *cn, wr.left + b, wr.top + b, cclip);
    }
}

void paintPending(HWND hwnd)
{
    std::vector<HWND> kids;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return;
        kids = n->children;
    }
    // The window itself is painted even when hidden, so that its picture can be had.
    if (PeekUpdateRegion(hwnd, nullptr)) SendMessage(hwnd, WM_PAINT, 0, 0);
    for (HWND c : kids)
        if (GetWindowLong(c, GWL_STYLE) & WS_VISIBLE) paintPending(c);
}

// Composes the damage of a top-level window of the given size into its picture, clipped to the
// picture; the parts composed. The caller holds the tree lock.
std::vector<RECT> composeDamage(Node& n, const Surface& picture, int width, int height)
{
    const int b = BorderOf(n);
    const RECT bounds{0, 0, std::min(width, picture.width), std::min(height, picture.height)};
    const RECT inside{b, b, width - b, height - b};
    std::vector<RECT> composed;
    for (const RECT& d : n.damage) {
        RECT r = Intersection(d, bounds);
        if (IsEmpty(r)) continue;
        // The frame around the client area; inside, the window's own pixels lie over black.
        const RECT frame[4] = {{r.left, r.top, r.right, b}, {r.left, height - b, r.right, r.bottom}, {r.left, b, b, height - b},
                               {width - b, b, r.right, height - b}};
        for (const RECT& f : frame) fillRect(picture, Intersection(r, f), kFramePixel);
        composeNode(picture, n, b, b, Intersection(r, inside), true);
        composed.push_back(r);
    }
    n.damage.clear();
    return composed;
}

// Composes the damaged parts of a top-level window's picture again (all of it when the display
// has none of it yet) and hands them to the display: straight into the display window's pixels
// where the display lets the picture be composed there, else into the kept picture, which the
// display converts. The caller holds the tree lock.
void presentDamage(Node& n)
{
    const int width = n.rect.right - n.rect.left, height = n.rect.bottom - n.rect.top;
    KeepPicturesThroughResize(n);
    Surface shown;
    bool fresh = false;
    if (HostFramebuffer(n, &shown, &fresh)) {
        n.presented = Picture{};
        if (fresh) {
            LosePictures(n);
            n.damage.assign(1, RECT{0, 0, width, height});
        }
        // Pictures written straight to the display are taken back where they are composed over.
        TakeBackPictures(n, &n.damage);
        std::vector<RECT> parts = composeDamage(n, shown, width, height);
        parts.insert(parts.end(), n.written.begin(), n.written.end());
        n.written.clear();
        HostShowFramebuffer(n, parts);
        return;
    }
    LosePictures(n);
    Picture& p = n.presented;
    const bool whole = p.width != width || p.height != height;
    if (whole) {
        p.width = width;
        p.height = height;
        p.pixels.assign(static_cast<std::size_t>(width) * height, kFramePixel);
        n.damage.assign(1, RECT{0, 0, width, height});
    }
    HostPresent(n, p, composeDamage(n, surfaceOf(p), width, height), whole);
}

}  // namespace

BOOL RenderWindow(HWND hwnd, Picture* out)
{
    if (out == nullptr || !IsWindow(hwnd)) return FALSE;
    paintPending(hwnd);
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return FALSE;
    TakeBackPictures(*n, nullptr);
    out->width = n->surface.width;
    out->height = n->surface.height;
    out->pixels.assign(static_cast<std::size_t>(out->width) * out->height, kFramePixel);
    composeNode(surfaceOf(*out), *n, 0, 0, RECT{0, 0, out->width, out->height}, true);
    return TRUE;
}

BOOL WritePictureToPng(const Picture& picture, const std::string& path)
{
    if (picture.width <= 0 || picture.height <= 0) return FALSE;
    int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, picture.width);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return FALSE;
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(&picture.pixels[static_cast<std::size_t>(y) * picture.width], picture.width, reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride));
    cairo_surface_mark_dirty(surface);
    bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok ? TRUE : FALSE;
}

BOOL RenderWindowToPng(HWND hwnd, const std::string& path)
{
    Picture picture;
    if (!RenderWindow(hwnd, &picture)) return FALSE;
    return WritePictureToPng(picture, path);
}

void PresentChangedWindows()
{
    auto self = std::this_thread::get_id();
    std::vector<HWND> presented;
    {
        std::lock_guard lock(TreeMutex());
        TakeChangedSince(true);
        for (HWND top : TopLevelWindows()) {
            Node* n = Find(top);
            if (n == nullptr || n->thread != self || !(n->style & WS_VISIBLE) || (n->damage.empty() && n->written.empty())) continue;
            if (n->host == nullptr) {
                n->damage.clear();
                n->written.clear();
                continue;
            }
            presentDamage(*n);
            presented.push_back(top);
        }
    }
    if (presented.empty()) return;
    if (PresentObserver observer = g_presentObserver.load()) {
        for (HWND top : presented) observer(top);
    }
}

BOOL GetShownPicture(HWND topLevel, Picture* out)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(topLevel);
    if (out == nullptr || n == nullptr || (n->style & WS_CHILD)) return FALSE;
    KeepPicturesThroughResize(*n);
    return HostShownPicture(*n, out) ? TRUE : FALSE;
}

void SetPresentObserver(PresentObserver observer) { g_presentObserver = observer; }

void detail::PresentIfDue(HWND nextPaint)
{
    {
        std::lock_guard lock(TreeMutex());
        auto since = TakeChangedSince(false);
        if (!since) return;
        const Node* n = Find(nextPaint);
        bool slowPaintNext = n != nullptr && (!n->lastPaint || *n->lastPaint >= kSlowPaint);
        if (!slowPaintNext && std::chrono::steady_clock::now() - *since < kPresentDelay) return;
    }
    PresentChangedWindows();
}

}  // namespace platform::user
