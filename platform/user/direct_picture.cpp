// Pictures written straight into the display's pixels (an OpenGL control's frame): the window's
// surface gets them back only when something other than presentation needs them.
#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/user/surface.h"
#include "platform/user/window_tree.h"

namespace platform::user::detail {

namespace {

bool overlaps(const RECT& a, const RECT& b) { return !IsEmpty(Intersection(a, b)); }

bool hasVisibleChild(const Node& n)
{
    return std::any_of(n.children.begin(), n.children.end(), [](HWND c) {
        const Node* cn = Find(c);
        return cn != nullptr && (cn->style & WS_VISIBLE);
    });
}

// Whether a visible sibling above the window in its parent's z-order overlaps r (the parent's
// client coordinates).
bool coveredBySibling(const Node& parent, const Node& n, const RECT& r)
{
    auto at = std::find(parent.children.begin(), parent.children.end(), n.hwnd);
    if (at == parent.children.end()) return true;
    for (++at; at != parent.children.end(); ++at) {
        const Node* sibling = Find(*at);
        if (sibling != nullptr && (sibling->style & WS_VISIBLE) && overlaps(sibling->rect, r)) return true;
    }
    return false;
}

// Where the window's whole client area is shown in its top-level window (window coordinates), and
// that top-level window; null where any of it is hidden.
Node* shownWhole(Node& n, RECT* shown)
{
    RECT r{0, 0, n.surface.width, n.surface.height};
    for (Node* at = &n;;) {
        if (!(at->style & WS_VISIBLE) || !Contains(ClientRectOf(*at), r)) return nullptr;
        const int b = BorderOf(*at);
        if (IsTopLevel(*at)) {
            *shown = Offset(r, b, b);
            return at;
        }
        r = Offset(r, at->rect.left + b, at->rect.top + b);
        Node* parent = Find(at->parent);
        if (parent == nullptr || coveredBySibling(*parent, *at, r)) return nullptr;
        at = parent;
    }
}

template <class Visit>
void forEachInTree(Node& n, Visit visit)
{
    visit(n);
    for (HWND c : n.children)
        if (Node* cn = Find(c)) forEachInTree(*cn, visit);
}

Surface partOf(const Surface& s, const RECT& r)
{
    return Surface{s.row(r.top) + r.left, r.right - r.left, r.bottom - r.top, s.stride};
}

}  // namespace

void TakeBackPicture(Node& n)
{
    if (!n.onDisplay) return;
    const RECT r = *n.onDisplay;
    n.onDisplay.reset();
    Node* top = Find(RootOf(n.hwnd));
    Surface shown;
    bool alphaUsed = true;
    const bool kept = top != nullptr && top->thread == std::this_thread::get_id() && HostKeptFramebuffer(*top, &shown, &alphaUsed) &&
                      Contains(RECT{0, 0, shown.width, shown.height}, r) && r.right - r.left == n.surface.width &&
                      r.bottom - r.top == n.surface.height;
    if (!kept) {
        InvalidateNode(n, nullptr, false);
        return;
    }
    // The picture was opaque; the display may not have kept its top byte.
    const Surface from = partOf(shown, r);
    for (int y = 0; y < from.height; ++y) {
        const std::uint32_t* source = from.row(y);
        std::uint32_t* row = n.surface.row(y);
        for (int x = 0; x < from.width; ++x) row[x] = source[x] | 0xFF000000u;
    }
}

void TakeBackPictures(Node& top, const std::vector<RECT>* areas)
{
    forEachInTree(top, [areas](Node& n) {
        if (!n.onDisplay) return;
        if (areas == nullptr || std::any_of(areas->begin(), areas->end(), [&n](const RECT& a) { return overlaps(a, *n.onDisplay); }))
            TakeBackPicture(n);
    });
}

void KeepPicturesThroughResize(Node& top)
{
    Surface kept;
    bool alphaUsed = true;
    if (HostKeptFramebuffer(top, &kept, &alphaUsed) &&
        (kept.width != top.rect.right - top.rect.left || kept.height != top.rect.bottom - top.rect.top))
        TakeBackPictures(top, nullptr);
}

void LosePictures(Node& top)
{
    forEachInTree(top, [](Node& n) {
        if (!n.onDisplay) return;
        n.onDisplay.reset();
        InvalidateNode(n, nullptr, false);
    });
    top.written.clear();
}

}  // namespace platform::user::detail

using namespace platform::user::detail;

namespace platform::user {

bool BeginDirectPicture(HWND hwnd, Surface* target, bool* alphaUsed)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (target == nullptr || alphaUsed == nullptr || n == nullptr || n->surface.pixels == nullptr || IsTopLevel(*n) || hasVisibleChild(*n)) return false;
    RECT r{};
    Node* top = shownWhole(*n, &r);
    Surface shown;
    const auto self = std::this_thread::get_id();
    if (top == nullptr || n->thread != self || top->thread != self || !HostKeptFramebuffer(*top, &shown, alphaUsed) ||
        !Contains(RECT{0, 0, shown.width, shown.height}, r))
        return false;
    // What other windows left there is about to be written over.
    forEachInTree(*top, [n, &r](Node& other) {
        if (&other != n && other.onDisplay && overlaps(*other.onDisplay, r)) TakeBackPicture(other);
    });
    n->writing = r;
    *target = partOf(shown, r);
    return true;
}

void EndDirectPicture(HWND hwnd, bool written)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr || !n->writing) return;
    const RECT r = *n->writing;
    n->writing.reset();
    if (!written) return;
    Node* top = Find(RootOf(hwnd));
    if (top == nullptr) return;
    n->onDisplay = r;
    n->opaque = true;
    // Whatever was to be composed again inside the picture is the picture now (it lies on top).
    std::erase_if(top->damage, [&r](const RECT& d) { return Contains(r, d); });
    NoteWrittenToDisplay(*top, r);
}

}  // namespace platform::user
