// Every window's surface and update region: invalidation, validation and the paints it asks for.
#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/kernel/argb_pixel.h"
#include "platform/user/surface.h"
#include "platform/user/window_tree.h"

namespace platform::user::detail {

namespace {

void unionInto(RECT& into, bool& empty, const RECT& r)
{
    if (r.left >= r.right || r.top >= r.bottom) return;
    if (empty) {
        into = r;
        empty = false;
        return;
    }
    into.left = std::min(into.left, r.left);
    into.top = std::min(into.top, r.top);
    into.right = std::max(into.right, r.right);
    into.bottom = std::max(into.bottom, r.bottom);
}

RECT clipTo(const RECT& r, const RECT& bounds)
{
    RECT c{std::max(r.left, bounds.left), std::max(r.top, bounds.top), std::min(r.right, bounds.right),
           std::min(r.bottom, bounds.bottom)};
    if (c.left >= c.right || c.top >= c.bottom) return RECT{0, 0, 0, 0};
    return c;
}

}  // namespace

void ResizeSurface(Node& n)
{
    RECT c = ClientRectOf(n);
    int w = c.right, h = c.bottom;
    if (n.surface.width == w && n.surface.height == h && (w == 0 || n.surface.pixels != nullptr)) return;
    n.pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0u);
    n.surface.width = w;
    n.surface.height = h;
    n.surface.stride = w * 4;
    n.surface.pixels = n.pixels.empty() ? nullptr : n.pixels.data();
    // A picture of the old size written straight to the display is of no more use.
    n.onDisplay.reset();
    n.writing.reset();
    NoteChanged(n);
}

void InvalidateNode(Node& n, const RECT* rect, bool erase)
{
    RECT c = ClientRectOf(n);
    RECT r = rect ? clipTo(*rect, c) : c;
    static std::uint64_t invalidations = 0;  // under the tree lock
    const bool wasEmpty = n.updateEmpty;
    unionInto(n.update, n.updateEmpty, r);
    if (wasEmpty && !n.updateEmpty) n.updateSince = ++invalidations;
    if (!n.updateEmpty && erase) n.updateErase = true;
}

}  // namespace platform::user::detail

using namespace platform::user::detail;

namespace platform::user {

Surface* GetWindowSurface(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return nullptr;
    TakeBackPicture(*n);
    return &n->surface;
}

BOOL TakeUpdateRegion(HWND hwnd, RECT* update, BOOL* erase)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (update) *update = RECT{0, 0, 0, 0};
    if (erase) *erase = FALSE;
    if (n == nullptr || n->updateEmpty) return FALSE;
    if (update) *update = n->update;
    if (erase) *erase = n->updateErase ? TRUE : FALSE;
    n->paintRect = n->update;
    n->updateEmpty = true;
    n->updateErase = false;
    n->update = RECT{0, 0, 0, 0};
    return TRUE;
}

BOOL PeekUpdateRegion(HWND hwnd, RECT* update)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (update) *update = RECT{0, 0, 0, 0};
    if (n == nullptr || n->updateEmpty) return FALSE;
    if (update) *update = n->update;
    return TRUE;
}

void MarkSurfaceChanged(HWND hwnd, const RECT* changed)
{
    std::lock_guard lock(TreeMutex());
    if (Node* n = Find(hwnd)) NoteChanged(*n, changed);
}

void MarkOpaqueSurfaceChanged(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    if (Node* n = Find(hwnd)) {
        NoteChanged(*n);
        n->opaque = n->surface.pixels != nullptr;
    }
}

BOOL WriteSurfacePixels(HWND hwnd, const void* source, int width, int height, int sourceStride, bool rgba, bool bottomUp)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr || source == nullptr) return FALSE;
    TakeBackPicture(*n);
    Surface& s = n->surface;
    int w = std::min(width, s.width), h = std::min(height, s.height);
    for (int y = 0; y < h; ++y) {
        int sy = bottomUp ? height - 1 - y : y;
        const auto* src = static_cast<const std::uint8_t*>(source) + static_cast<std::ptrdiff_t>(sy) * sourceStride;
        std::uint32_t* dst = s.row(y);
        if (!rgba) {
            std::memcpy(dst, src, static_cast<std::size_t>(w) * 4);
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const std::uint32_t r = src[4 * x], g = src[4 * x + 1], b = src[4 * x + 2], a = src[4 * x + 3];
            dst[x] = platform::PremultipliedPixel(a << 24 | r << 16 | g << 8 | b);
        }
    }
    const RECT written{0, 0, w, h};
    NoteChanged(*n, &written);
    return TRUE;
}

}  // namespace platform::user

using namespace platform::user;

void platform::user::detail::FillSurface(HWND hwnd, const RECT* rect, std::uint32_t pixel)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return;
    Surface& s = n->surface;
    RECT all{0, 0, s.width, s.height};
    RECT r = rect ? clipTo(*rect, all) : all;
    // A picture lying in the display is wanted back only where the fill leaves some of it.
    if (r.left == 0 && r.top == 0 && r.right == s.width && r.bottom == s.height) n->onDisplay.reset();
    else TakeBackPicture(*n);
    for (int y = r.top; y < r.bottom; ++y) std::fill(s.row(y) + r.left, s.row(y) + r.right, pixel);
    NoteChanged(*n, &r);
}

BOOL InvalidateRect(HWND hwnd, LPCRECT rect, BOOL erase)
{
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return FALSE;
        InvalidateNode(*n, rect, erase != 0);
    }
    WakeQueue();
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, LPCRECT rect)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return FALSE;
    if (rect == nullptr) {
        n->updateEmpty = true;
        n->updateErase = false;
        n->update = RECT{0, 0, 0, 0};
        return TRUE;
    }
    // The update region is kept as one rectangle: a validated rectangle that covers a whole side of
    // it shrinks it, one that covers it all empties it.
    RECT& u = n->update;
    if (n->updateEmpty) return TRUE;
    if (rect->left <= u.left && rect->right >= u.right) {
        if (rect->top <= u.top && rect->bottom >= u.bottom) {
            n->updateEmpty = true;
            n->update = RECT{0, 0, 0, 0};
        } else if (rect->top <= u.top && rect->bottom > u.top) {
            u.top = rect->bottom;
        } else if (rect->bottom >= u.bottom && rect->top < u.bottom) {
            u.bottom = rect->top;
        }
    } else if (rect->top <= u.top && rect->bottom >= u.bottom) {
        if (rect->left <= u.left && rect->right > u.left) u.left = rect->right;
        else if (rect->right >= u.right && rect->left < u.right) u.right = rect->left;
    }
    if (!n->updateEmpty && (u.left >= u.right || u.top >= u.bottom)) n->updateEmpty = true;
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL)
{
    RECT r;
    BOOL any = PeekUpdateRegion(hwnd, &r);
    if (rect) *rect = r;
    return any;
}

BOOL UpdateWindow(HWND hwnd)
{
    if (!IsWindow(hwnd)) return FALSE;
    if (VisibleChain(hwnd) && PeekUpdateRegion(hwnd, nullptr)) SendMessage(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, LPCRECT rect, HRGN, UINT flags)
{
    if (!IsWindow(hwnd)) return FALSE;
    std::function<void(HWND, LPCRECT)> apply = [&](HWND h, LPCRECT r) {
        if (flags & RDW_INVALIDATE) InvalidateRect(h, r, (flags & RDW_ERASE) ? TRUE : FALSE);
        if (flags & RDW_ALLCHILDREN) {
            std::vector<HWND> kids;
            {
                std::lock_guard lock(TreeMutex());
                if (Node* n = Find(h)) kids = n->children;
            }
            for (HWND c : kids) apply(c, nullptr);
        }
        if (flags & RDW_UPDATENOW) UpdateWindow(h);
    };
    apply(hwnd, rect);
    return TRUE;
}
