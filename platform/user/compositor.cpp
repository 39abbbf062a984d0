// Composes window trees into pictures: for presentation, screenshots and tests.
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>

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

void blendRow(std::uint32_t* dst, const std::uint32_t* src, int count)
{
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

RECT intersect(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) return RECT{0, 0, 0, 0};
    return r;
}

bool empty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

void fillRect(Picture& out, const RECT& r, std::uint32_t pixel)
{
    for (int y = r.top; y < r.bottom; ++y) std::fill(&out.pixels[static_cast<std::size_t>(y) * out.width + r.left], &out.pixels[static_cast<std::size_t>(y) * out.width + r.right], pixel);
}

// Lays the window's own pixels at (ox, oy) of the picture (its client origin), then its visible
// children bottom to top, all within clip. The caller holds the tree lock.
void composeNode(Picture& out, const Node& n, int ox, int oy, RECT clip)
{
    const Surface& s = n.surface;
    RECT area = intersect(clip, RECT{ox, oy, ox + s.width, oy + s.height});
    if (!empty(area) && s.pixels) {
        for (int y = area.top; y < area.bottom; ++y) {
            blendRow(&out.pixels[static_cast<std::size_t>(y) * out.width + area.left], s.row(y - oy) + (area.left - ox), area.right - area.left);
        }
    }
    RECT childClip = intersect(clip, RECT{ox, oy, ox + s.width, oy + s.height});
    for (HWND c : n.children) {
        const Node* cn = Find(c);
        if (cn == nullptr || !(cn->style & WS_VISIBLE)) continue;
        RECT wr{ox + cn->rect.left, oy + cn->rect.top, ox + cn->rect.right, oy + cn->rect.bottom};
        RECT cclip = intersect(childClip, wr);
        if (empty(cclip)) continue;
        int b = BorderOf(*cn);
        if (b) {
            RECT edges[4] = {{wr.left, wr.top, wr.right, wr.top + b},
                             {wr.left, wr.bottom - b, wr.right, wr.bottom},
                             {wr.left, wr.top, wr.left + b, wr.bottom},
                             {wr.right - b, wr.top, wr.right, wr.bottom}};
            for (const RECT& e : edges) fillRect(out, intersect(cclip, e), kFramePixel);
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

bool treeChanged(const Node& n)
{
    if (n.changed) return true;
    for (HWND c : n.children)
        if (const Node* cn = Find(c); cn && treeChanged(*cn)) return true;
    return false;
}

void clearChanged(Node& n)
{
    n.changed = false;
    for (HWND c : n.children)
        if (Node* cn = Find(c)) clearChanged(*cn);
}

}  // namespace

BOOL RenderWindow(HWND hwnd, Picture* out)
{
    if (out == nullptr || !IsWindow(hwnd)) return FALSE;
    paintPending(hwnd);
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return FALSE;
    out->width = n->surface.width;
    out->height = n->surface.height;
    out->pixels.assign(static_cast<std::size_t>(out->width) * out->height, kFramePixel);
    composeNode(*out, *n, 0, 0, RECT{0, 0, out->width, out->height});
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
            if (n == nullptr || n->thread != self || !(n->style & WS_VISIBLE) || !treeChanged(*n)) continue;
            Picture whole;
            whole.width = n->rect.right - n->rect.left;
            whole.height = n->rect.bottom - n->rect.top;
            whole.pixels.assign(static_cast<std::size_t>(whole.width) * whole.height, kFramePixel);
            int b = BorderOf(*n);
            composeNode(whole, *n, b, b, RECT{b, b, whole.width - b, whole.height - b});
            clearChanged(*n);
            if (n->host == nullptr) continue;
            HostPresent(*n, whole);
            presented.push_back(top);
        }
    }
    if (presented.empty()) return;
    if (PresentObserver observer = g_presentObserver.load()) {
        for (HWND top : presented) observer(top);
    }
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
