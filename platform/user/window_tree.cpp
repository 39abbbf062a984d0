// The window tree: every window's record, its place among its relatives, and its words and text.
#include "platform/user/window_tree.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_map>

namespace platform::user::detail {

namespace {

struct Tree {
    std::recursive_mutex mutex;
    std::unordered_map<HWND, std::unique_ptr<Node>> nodes;
    std::vector<HWND> topLevels;
    std::optional<std::chrono::steady_clock::time_point> changedSince;  // the oldest change not yet presented
};

Tree& tree()
{
    static Tree* t = new Tree;  // never destroyed: workers may still ask during static destruction
    return *t;
}

thread_local AttachHook t_attachHook = nullptr;
thread_local void* t_attachObject = nullptr;

}  // namespace

std::recursive_mutex& TreeMutex() { return tree().mutex; }

bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

RECT Intersection(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return IsEmpty(r) ? RECT{0, 0, 0, 0} : r;
}

RECT Bounds(const RECT& a, const RECT& b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

bool Contains(const RECT& outer, const RECT& inner)
{
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right && outer.bottom >= inner.bottom;
}

RECT Offset(const RECT& r, LONG dx, LONG dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

bool IsTopLevel(const Node& n) { return n.parent == nullptr || !(n.style & WS_CHILD); }

namespace {

constexpr std::size_t kMostDamageRects = 16;  // beyond that they become their bounding box

void AddDamage(Node& top, const RECT& r)
{
    std::vector<RECT>& d = top.damage;
    if (std::any_of(d.begin(), d.end(), [&r](const RECT& o) { return Contains(o, r); })) return;
    std::erase_if(d, [&r](const RECT& o) { return Contains(r, o); });
    d.push_back(r);
    if (d.size() > kMostDamageRects) {
        RECT all = d.front();
        for (const RECT& o : d) all = Bounds(all, o);
        d.assign(1, all);
    }
    if (!tree().changedSince) tree().changedSince = std::chrono::steady_clock::now();
}

}  // namespace

void NoteChanged(Node& n, const RECT* rect)
{
    n.opaque.reset();
    RECT r = rect ? *rect : ClientRectOf(n);
    // Up the tree, clipped to every client area on the way; a hidden window shows nothing.
    for (Node* at = &n;;) {
        if (!(at->style & WS_VISIBLE)) return;
        r = Intersection(r, ClientRectOf(*at));
        if (IsEmpty(r)) return;
        const int b = BorderOf(*at);
        if (IsTopLevel(*at)) {
            AddDamage(*at, Offset(r, b, b));
            return;
        }
        r = Offset(r, at->rect.left + b, at->rect.top + b);
        at = Find(at->parent);
        if (at == nullptr) return;
    }
}

void NoteCovered(Node& n)
{
    if (!IsTopLevel(n)) {
        if (Node* p = Find(n.parent)) NoteChanged(*p, &n.rect);
        return;
    }
    if (n.style & WS_VISIBLE) AddDamage(n, RECT{0, 0, n.rect.right - n.rect.left, n.rect.bottom - n.rect.top});
}

void NoteWrittenToDisplay(Node& top, const RECT& r)
{
    if (std::none_of(top.written.begin(), top.written.end(), [&r](const RECT& o) { return Contains(o, r); })) top.written.push_back(r);
    if (!tree().changedSince) tree().changedSince = std::chrono::steady_clock::now();
}

std::optional<std::chrono::steady_clock::time_point> TakeChangedSince(bool take)
{
    auto since = tree().changedSince;
    if (take) tree().changedSince.reset();
    return since;
}

Node* Find(HWND hwnd)
{
    auto& t = tree();
    auto it = t.nodes.find(hwnd);
    return it == t.nodes.end() ? nullptr : it->second.get();
}

std::vector<HWND> TopLevelWindows() { return tree().topLevels; }

void AddNode(std::unique_ptr<Node> node)
{
    Node& n = *node;
    HWND hwnd = n.hwnd;
    tree().nodes.emplace(hwnd, std::move(node));
    if (n.parent != nullptr && (n.style & WS_CHILD)) {
        Find(n.parent)->children.push_back(hwnd);
    } else {
        tree().topLevels.push_back(hwnd);
    }
}

std::unique_ptr<Node> RemoveNode(HWND hwnd)
{
    auto& t = tree();
    auto it = t.nodes.find(hwnd);
    if (it == t.nodes.end()) return nullptr;
    std::unique_ptr<Node> dead = std::move(it->second);
    t.nodes.erase(it);
    if (Node* p = Find(dead->parent)) std::erase(p->children, hwnd);
    std::erase(t.topLevels, hwnd);
    return dead;
}

HWND RootOf(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    while (n != nullptr && n->parent != nullptr && (n->style & WS_CHILD)) n = Find(n->parent);
    return n ? n->hwnd : nullptr;
}

int BorderOf(const Node& n)
{
    bool decorated = n.parent == nullptr && (n.style & WS_CAPTION) == WS_CAPTION;
    return (!decorated && (n.style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME))) ? 1 : 0;
}

RECT ClientRectOf(const Node& n)
{
    int b = BorderOf(n);
    int w = std::max(0, static_cast<int>(n.rect.right - n.rect.left) - 2 * b);
    int h = std::max(0, static_cast<int>(n.rect.bottom - n.rect.top) - 2 * b);
    return RECT{0, 0, w, h};
}

POINT ClientOriginOnScreen(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    POINT p{0, 0};
    for (Node* n = Find(hwnd); n != nullptr;) {
        int b = BorderOf(*n);
        p.x += n->rect.left + b;
        p.y += n->rect.top + b;
        if (n->parent == nullptr || !(n->style & WS_CHILD)) break;
        n = Find(n->parent);
    }
    return p;
}

bool VisibleChain(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    for (Node* n = Find(hwnd); n != nullptr;) {
        if (!(n->style & WS_VISIBLE)) return false;
        if (n->parent == nullptr || !(n->style & WS_CHILD)) return true;
        n = Find(n->parent);
    }
    return false;
}

LRESULT CallThrough(WNDPROC Node::*which, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC proc = nullptr;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return 0;
        proc = n->*which;
    }
    return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProc(hwnd, message, wParam, lParam);
}

LRESULT CallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return CallThrough(&Node::proc, hwnd, message, wParam, lParam); }

void SetPendingAttach(AttachHook hook, void* object)
{
    t_attachHook = hook;
    t_attachObject = object;
}

void RunPendingAttach(HWND hwnd)
{
    if (t_attachHook == nullptr) return;
    AttachHook hook = t_attachHook;
    void* object = t_attachObject;
    t_attachHook = nullptr;
    t_attachObject = nullptr;
    hook(hwnd, object);
}

HWND FindPaintTarget(HWND filter)
{
    std::lock_guard lock(TreeMutex());
    auto self = std::this_thread::get_id();
    HWND found = nullptr;
    std::uint64_t since = 0;
    std::function<void(HWND)> walk = [&](HWND h) {
        Node* n = Find(h);
        if (n == nullptr || !(n->style & WS_VISIBLE)) return;
        if (n->thread == self && !n->updateEmpty && (filter == nullptr || filter == h) && (!found || n->updateSince < since)) {
            found = h;
            since = n->updateSince;
        }
        for (HWND c : n->children) walk(c);
    };
    for (HWND top : tree().topLevels) walk(top);
    return found;
}

}  // namespace platform::user::detail

using namespace platform::user::detail;

HWND GetParent(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n ? n->parent : nullptr;
}

HWND GetDlgItem(HWND parent, int id)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(parent);
    if (n == nullptr) return nullptr;
    for (HWND c : n->children)
        if (Node* cn = Find(c); cn && cn->id == id) return c;
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n ? n->id : 0;
}

HWND GetWindow(HWND hwnd, UINT relation)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return nullptr;
    if (relation == GW_CHILD) return n->children.empty() ? nullptr : n->children.back();
    if (relation == GW_OWNER) return (n->style & WS_CHILD) ? nullptr : n->parent;
    Node* p = Find(n->parent);
    if (p == nullptr || !(n->style & WS_CHILD)) return nullptr;
    auto it = std::find(p->children.begin(), p->children.end(), hwnd);
    if (relation == GW_HWNDNEXT) return it == p->children.begin() ? nullptr : *(it - 1);
    if (relation == GW_HWNDPREV) return (it + 1) == p->children.end() ? nullptr : *(it + 1);
    return nullptr;
}

HWND GetAncestor(HWND hwnd, UINT flags)
{
    if (flags == GA_ROOT) return RootOf(hwnd);
    return GetParent(hwnd);
}

BOOL IsChild(HWND parent, HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    for (Node* n = Find(hwnd); n && (n->style & WS_CHILD); n = Find(n->parent))
        if (n->parent == parent) return TRUE;
    return FALSE;
}

LONG_PTR GetWindowLong(HWND hwnd, int index)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return 0;
    switch (index) {
    case GWL_STYLE: return static_cast<LONG_PTR>(n->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(n->exStyle);
    case GWL_ID: return n->id;
    case GWLP_USERDATA: return n->userData;
    default: return 0;
    }
}

LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return 0;
    LONG_PTR old = GetWindowLong(hwnd, index);
    switch (index) {
    case GWL_STYLE:
        // The visible bit follows ShowWindow only.
        n->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | (n->style & WS_VISIBLE);
        break;
    case GWL_EXSTYLE: n->exStyle = static_cast<DWORD>(value); break;
    case GWL_ID: n->id = static_cast<int>(value); break;
    case GWLP_USERDATA: n->userData = value; break;
    default: return 0;
    }
    return old;
}

BOOL SetWindowText(HWND hwnd, LPCSTR text)
{
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowText(HWND hwnd, LPSTR buffer, int size)
{
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    return static_cast<int>(SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND hwnd) { return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0)); }
