#include "platform/user/window.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <strings.h>
#include <map>
#include <unordered_map>

#include "platform/kernel/clock.h"
#include "platform/kernel/waitable.h"
#include "platform/user/gdi_bridge.h"
#include "platform/user/input.h"
#include "platform/user/message_queue.h"
#include "platform/user/window_tree.h"

namespace platform::user::detail {

namespace {

struct Tree {
    std::recursive_mutex mutex;
    std::unordered_map<HWND, std::unique_ptr<Node>> nodes;
    std::vector<HWND> topLevels;
};

Tree& tree()
{
    static Tree* t = new Tree;  // never destroyed: workers may still ask during static destruction
    return *t;
}

struct SentMessage {
    HWND hwnd;
    std::thread::id thread;  // the window's thread, which handles it
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
};

struct SentQueue {
    std::mutex mutex;
    std::condition_variable done;
    std::deque<SentMessage*> waiting;
};

SentQueue& sent()
{
    static SentQueue* q = new SentQueue;
    return *q;
}

thread_local int t_inSend = 0;

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    std::chrono::steady_clock::time_point due;
    std::thread::id thread;
};

std::mutex& timerMutex()
{
    static std::mutex* m = new std::mutex;
    return *m;
}
std::vector<Timer>& timers()
{
    static std::vector<Timer>* t = new std::vector<Timer>;
    return *t;
}

GdiBridge& bridge()
{
    static GdiBridge b;
    return b;
}

thread_local AttachHook t_attachHook = nullptr;
thread_local void* t_attachObject = nullptr;

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

void markChanged(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    if (Node* n = Find(hwnd)) n->changed = true;
}

}  // namespace

std::recursive_mutex& TreeMutex() { return tree().mutex; }

Node* Find(HWND hwnd)
{
    auto& t = tree();
    auto it = t.nodes.find(hwnd);
    return it == t.nodes.end() ? nullptr : it->second.get();
}

std::vector<HWND> TopLevelWindows() { return tree().topLevels; }

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
    n.changed = true;
}

// Calls the window's own procedure or its class's (which: &Node::proc or &Node::classProc), or
// DefWindowProc where there is none; 0 for a dead window.
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

HWND FindPaintTarget(HWND filter)
{
    std::lock_guard lock(TreeMutex());
    auto self = std::this_thread::get_id();
    HWND found = nullptr;
    std::function<void(HWND)> walk = [&](HWND h) {
        if (found) return;
        Node* n = Find(h);
        if (n == nullptr || !(n->style & WS_VISIBLE)) return;
        if (n->thread == self && !n->updateEmpty && (filter == nullptr || filter == h)) {
            found = h;
            return;
        }
        for (HWND c : n->children) walk(c);
    };
    for (HWND top : tree().topLevels) walk(top);
    return found;
}

bool TakeDueTimer(HWND filter, MSG* msg, bool remove)
{
    std::lock_guard lock(timerMutex());
    auto now = std::chrono::steady_clock::now();
    auto self = std::this_thread::get_id();
    Timer* best = nullptr;
    for (Timer& t : timers()) {
        if (t.thread != self || t.due > now) continue;
        if (filter != nullptr && t.hwnd != filter) continue;
        if (best == nullptr || t.due < best->due) best = &t;
    }
    if (best == nullptr) return false;
    *msg = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), GetTickCount(), POINT{0, 0}};
    if (remove) best->due = now + std::chrono::milliseconds(best->elapse);
    return true;
}

DWORD MsUntilNextTimer()
{
    std::lock_guard lock(timerMutex());
    auto now = std::chrono::steady_clock::now();
    auto self = std::this_thread::get_id();
    DWORD best = INFINITE;
    for (const Timer& t : timers()) {
        if (t.thread != self) continue;
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.due - now).count();
        DWORD d = ms <= 0 ? 0 : static_cast<DWORD>(ms);
        best = std::min(best, d);
    }
    return best;
}

void DropTimersOf(HWND hwnd)
{
    std::lock_guard lock(timerMutex());
    std::erase_if(timers(), [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

void ServeSentMessages()
{
    for (;;) {
        SentMessage* m = nullptr;
        {
            auto& q = sent();
            std::lock_guard lock(q.mutex);
            auto self = std::this_thread::get_id();
            auto it = std::find_if(q.waiting.begin(), q.waiting.end(), [self](const SentMessage* w) { return w->thread == self; });
            if (it != q.waiting.end()) {
                m = *it;
                q.waiting.erase(it);
            }
        }
        if (m == nullptr) return;
        ++t_inSend;
        LRESULT r = CallProc(m->hwnd, m->message, m->wParam, m->lParam);
        --t_inSend;
        auto& q = sent();
        {
            std::lock_guard lock(q.mutex);
            m->result = r;
            m->done = true;
        }
        q.done.notify_all();
    }
}

bool HasSentMessages()
{
    auto& q = sent();
    std::lock_guard lock(q.mutex);
    auto self = std::this_thread::get_id();
    return std::any_of(q.waiting.begin(), q.waiting.end(), [self](const SentMessage* m) { return m->thread == self; });
}

void OnWindowDestroyed(HWND hwnd)
{
    auto& q = sent();
    {
        std::lock_guard lock(q.mutex);
        for (auto it = q.waiting.begin(); it != q.waiting.end();) {
            if ((*it)->hwnd == hwnd) {
                (*it)->result = 0;
                (*it)->done = true;
                it = q.waiting.erase(it);
            } else {
                ++it;
            }
        }
    }
    q.done.notify_all();
}

LRESULT SendAcrossThreads(HWND hwnd, std::thread::id owner, UINT message, WPARAM wParam, LPARAM lParam)
{
    SentMessage m{hwnd, owner, message, wParam, lParam};
    auto& q = sent();
    {
        std::lock_guard lock(q.mutex);
        q.waiting.push_back(&m);
    }
    WakeQueue();
    platform::kernel::WakeWaiters();  // a MsgWaitForMultipleObjects of the window's thread
    std::unique_lock lock(q.mutex);
    q.done.wait(lock, [&m] { return m.done; });
    return m.result;
}

void InvalidateNode(Node& n, const RECT* rect, bool erase)
{
    RECT c = ClientRectOf(n);
    RECT r = rect ? clipTo(*rect, c) : c;
    unionInto(n.update, n.updateEmpty, r);
    if (!n.updateEmpty && erase) n.updateErase = true;
}

}  // namespace platform::user::detail

using namespace platform::user::detail;

namespace platform::user {

void SetGdiBridge(const GdiBridge& b) { bridge() = b; }
const GdiBridge& GetGdiBridge() { return bridge(); }

Surface* GetWindowSurface(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n ? &n->surface : nullptr;
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

void MarkSurfaceChanged(HWND hwnd, const RECT*) { markChanged(hwnd); }

BOOL WriteSurfacePixels(HWND hwnd, const void* source, int width, int height, int sourceStride, bool rgba, bool bottomUp)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr || source == nullptr) return FALSE;
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
            std::uint32_t r = src[4 * x], g = src[4 * x + 1], b = src[4 * x + 2], a = src[4 * x + 3];
            r = (r * a + 127) / 255, g = (g * a + 127) / 255, b = (b * a + 127) / 255;
            dst[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    n->changed = true;
    return TRUE;
}

}  // namespace platform::user

void platform::user::detail::FillSurface(HWND hwnd, const RECT* rect, std::uint32_t pixel)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return;
    Surface& s = n->surface;
    RECT all{0, 0, s.width, s.height};
    RECT r = rect ? clipTo(*rect, all) : all;
    for (int y = r.top; y < r.bottom; ++y) std::fill(s.row(y) + r.left, s.row(y) + r.right, pixel);
    n->changed = true;
}

using namespace platform::user;

// ---- creation and destruction ----

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE, LPVOID param)
{
    if ((style & WS_CHILD) && !IsWindow(parent)) return nullptr;
    if (parent != nullptr && !IsWindow(parent)) parent = nullptr;
    HWND hwnd = AllocateWindowHandle();
    {
        std::lock_guard lock(TreeMutex());
        auto node = std::make_unique<Node>();
        Node& n = *node;
        n.hwnd = hwnd;
        n.parent = parent;
        const WindowClass windowClass = FindWindowClass(className);
        n.classStyle = windowClass.style;
        n.classProc = windowClass.proc;
        n.style = style & ~WS_VISIBLE;
        n.exStyle = exStyle;
        n.id = (style & WS_CHILD) ? static_cast<int>(reinterpret_cast<UINT_PTR>(menuOrId)) : 0;
        n.text = windowName ? windowName : "";
        n.rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
        n.restoreRect = n.rect;
        n.proc = n.classProc;
        n.thread = std::this_thread::get_id();
        n.cursor = LoadCursor(nullptr, IDC_ARROW);
        ResizeSurface(n);
        tree().nodes.emplace(hwnd, std::move(node));
        if (parent != nullptr && (style & WS_CHILD)) {
            Find(parent)->children.push_back(hwnd);
        } else {
            tree().topLevels.push_back(hwnd);
        }
    }
    if (t_attachHook != nullptr) {
        AttachHook hook = t_attachHook;
        void* object = t_attachObject;
        t_attachHook = nullptr;
        t_attachObject = nullptr;
        hook(hwnd, object);
    }
    CREATESTRUCT cs{param, nullptr, menuOrId, parent, height, width, y, x, static_cast<LONG>(style), windowName, className, exStyle};
    bool ok = SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) != 0;
    if (ok && IsWindow(hwnd)) ok = SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) != -1;
    if (!ok || !IsWindow(hwnd)) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n->parent == nullptr || !(n->style & WS_CHILD)) HostCreate(*n);
    }
    RECT c;
    GetClientRect(hwnd, &c);
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
    RECT w;
    {
        std::lock_guard lock(TreeMutex());
        w = Find(hwnd)->rect;
    }
    SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(w.left, w.top));
    if (IsWindow(hwnd) && (style & WS_VISIBLE)) {
        int cmd = (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW;
        ShowWindow(hwnd, cmd);
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

namespace {

void sendDestroy(HWND hwnd)
{
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard lock(TreeMutex());
        if (Node* n = Find(hwnd)) children = n->children;
    }
    for (HWND c : children) sendDestroy(c);
}

void sendNcDestroyAndFree(HWND hwnd)
{
    std::vector<HWND> children;
    {
        std::lock_guard lock(TreeMutex());
        if (Node* n = Find(hwnd)) children = n->children;
    }
    for (HWND c : children) sendNcDestroyAndFree(c);
    SendMessage(hwnd, WM_NCDESTROY, 0, 0);
    DropTimersOf(hwnd);
    platform::user::input::ForgetWindow(hwnd);
    std::unique_ptr<Node> dead;
    {
        std::lock_guard lock(TreeMutex());
        auto& t = tree();
        auto it = t.nodes.find(hwnd);
        if (it == t.nodes.end()) return;
        dead = std::move(it->second);
        t.nodes.erase(it);
        if (Node* p = Find(dead->parent)) std::erase(p->children, hwnd);
        std::erase(t.topLevels, hwnd);
    }
    HostDestroy(*dead);
    if (dead->systemMenu) DestroyMenu(dead->systemMenu);
    ReleaseWindowHandle(hwnd);
    OnWindowDestroyed(hwnd);
}

}  // namespace

BOOL DestroyWindow(HWND hwnd)
{
    HWND parent = nullptr;
    bool wasVisible = false;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr || n->destroying) return FALSE;
        n->destroying = true;
        parent = (n->style & WS_CHILD) ? n->parent : nullptr;
        wasVisible = (n->style & WS_VISIBLE) != 0;
        n->style &= ~WS_VISIBLE;
    }
    platform::user::input::ForgetWindowTree(hwnd);
    sendDestroy(hwnd);
    sendNcDestroyAndFree(hwnd);
    if (parent && wasVisible) markChanged(parent);
    return TRUE;
}

// ---- messages ----

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::thread::id owner;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return 0;
        owner = n->thread;
    }
    if (owner == std::this_thread::get_id()) return CallProc(hwnd, message, wParam, lParam);
    return SendAcrossThreads(hwnd, owner, message, wParam, lParam);
}

BOOL InSendMessage() { return t_inSend > 0 ? TRUE : FALSE; }

LRESULT DispatchMessage(const MSG* msg)
{
    if (msg == nullptr) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    if (msg->hwnd == nullptr) return 0;
    return CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG* msg)
{
    return msg != nullptr && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) ? TRUE : FALSE;
}

namespace {

// Fills what the current paint covers (the whole client area outside a paint) with one pixel.
void erasePaintArea(HWND hwnd, std::uint32_t pixel)
{
    RECT r;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return;
        r = n->paintRect;
        if (r.left >= r.right || r.top >= r.bottom) r = ClientRectOf(*n);
    }
    FillSurface(hwnd, &r, pixel);
}

LRESULT defaultSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    HWND parent = GetParent(hwnd);
    if (parent != nullptr && (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD) && SendMessage(parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
    if (static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))) == HTCLIENT) {
        HCURSOR c;
        {
            std::lock_guard lock(TreeMutex());
            Node* n = Find(hwnd);
            c = n ? n->cursor : nullptr;
        }
        if (c != nullptr) SetCursor(c);
    } else {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
    }
    return FALSE;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_PAINT:
        TakeUpdateRegion(hwnd, nullptr, nullptr);
        return 0;
    case WM_ERASEBKGND:
        erasePaintArea(hwnd, 0);
        return 1;
    case WM_ICONERASEBKGND:
        return 1;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_NCACTIVATE:
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !(GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD)) SetFocus(hwnd);
        return 0;
    case WM_SETTEXT: {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return FALSE;
        n->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        if (n->host) HostSetTitle(*n);
        return TRUE;
    }
    case WM_GETTEXT: {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr || wParam == 0 || lParam == 0) return 0;
        std::size_t count = std::min<std::size_t>(n->text.size(), wParam - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), n->text.data(), count);
        reinterpret_cast<char*>(lParam)[count] = '\0';
        return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH: {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        return n ? static_cast<LRESULT>(n->text.size()) : 0;
    }
    case WM_NCHITTEST: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT w, c;
        GetWindowRect(hwnd, &w);
        GetClientRect(hwnd, &c);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        if (p.x >= origin.x && p.y >= origin.y && p.x < origin.x + c.right && p.y < origin.y + c.bottom) return HTCLIENT;
        if (p.x >= w.left && p.y >= w.top && p.x < w.right && p.y < w.bottom) return 18;  // HTBORDER
        return HTNOWHERE;
    }
    case WM_SETCURSOR:
        return defaultSetCursor(hwnd, wParam, lParam);
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
        HWND parent = GetParent(hwnd);
        if (parent != nullptr && (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD)) return SendMessage(parent, message, wParam, lParam);
        return 0;
    }
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION) SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_SPACE) SendMessage(platform::user::detail::RootOf(hwnd), WM_SYSCOMMAND, SC_KEYMENU, ' ');
        if (wParam == VK_F4) SendMessage(platform::user::detail::RootOf(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MOVE:
            platform::user::input::BeginMoveDrag(platform::user::detail::RootOf(hwnd));
            return 0;
        case SC_MINIMIZE:
            ShowWindow(hwnd, SW_MINIMIZE);
            return 0;
        case SC_MAXIMIZE:
            ShowWindow(hwnd, SW_MAXIMIZE);
            return 0;
        case SC_RESTORE:
            ShowWindow(hwnd, SW_RESTORE);
            return 0;
        case SC_CLOSE:
            SendMessage(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case SC_KEYMENU:
            platform::user::input::ShowSystemMenu(platform::user::detail::RootOf(hwnd));
            return 0;
        default:
            return 0;
        }
    case WM_QUERYDRAGICON:
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return 0;
    default:
        return 0;
    }
}

// ---- built-in classes ----

namespace {

void notifyParent(HWND hwnd, UINT code)
{
    HWND parent = GetParent(hwnd);
    if (parent == nullptr) return;
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), static_cast<int>(code)), reinterpret_cast<LPARAM>(hwnd));
}

// Paints a built-in control: owner-drawn ones through their parent, others through the drawing
// layer's standard look.
void paintControl(HWND hwnd, UINT ctlType, bool ownerDraw, UINT itemId, UINT_PTR itemData)
{
    TakeUpdateRegion(hwnd, nullptr, nullptr);
    FillSurface(hwnd, nullptr, 0);
    const GdiBridge& b = bridge();
    HDC dc = b.getWindowDC ? b.getWindowDC(hwnd) : nullptr;
    if (ownerDraw) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ctlType;
        dis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
        dis.itemID = itemId;
        dis.itemAction = ODA_DRAWENTIRE;
        {
            std::lock_guard lock(TreeMutex());
            Node* n = Find(hwnd);
            if (n == nullptr) return;
            if (n->pressed) dis.itemState |= ODS_SELECTED;
            if (n->style & WS_DISABLED) dis.itemState |= ODS_DISABLED;
            if (n->check) dis.itemState |= ODS_CHECKED;
        }
        if (GetFocus() == hwnd) dis.itemState |= ODS_FOCUS;
        dis.hwndItem = hwnd;
        dis.hDC = dc;
        GetClientRect(hwnd, &dis.rcItem);
        dis.itemData = itemData;
        HWND parent = GetParent(hwnd);
        if (parent) SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    } else if (b.drawControl && dc) {
        b.drawControl(hwnd, dc);
    }
    if (dc && b.releaseWindowDC) b.releaseWindowDC(hwnd, dc);
    MarkSurfaceChanged(hwnd, nullptr);
}

LRESULT staticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
    switch (message) {
    case WM_NCHITTEST:
        return (style & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONDOWN:
        if (style & SS_NOTIFY) notifyParent(hwnd, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (style & SS_NOTIFY) notifyParent(hwnd, STN_DBLCLK);
        return 0;
    case WM_PAINT:
        paintControl(hwnd, ODT_STATIC, (style & SS_TYPEMASK) == SS_OWNERDRAW, 0, 0);
        return 0;
    case WM_SETTEXT: {
        LRESULT r = DefWindowProc(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

bool isCheckType(DWORD style)
{
    DWORD type = style & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
}

LRESULT buttonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
    auto setPressed = [hwnd](bool pressed) {
        bool changed = false;
        {
            std::lock_guard lock(TreeMutex());
            Node* n = Find(hwnd);
            if (n && n->pressed != pressed) n->pressed = pressed, changed = true;
        }
        if (changed) InvalidateRect(hwnd, nullptr, TRUE);
    };
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetFocus(hwnd);
        SetCapture(hwnd);
        setPressed(true);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == hwnd) {
            RECT c;
            GetClientRect(hwnd, &c);
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            setPressed(p.x >= 0 && p.y >= 0 && p.x < c.right && p.y < c.bottom);
        }
        return 0;
    case WM_LBUTTONUP: {
        if (GetCapture() != hwnd) return 0;
        bool wasPressed;
        {
            std::lock_guard lock(TreeMutex());
            Node* n = Find(hwnd);
            wasPressed = n && n->pressed;
        }
        setPressed(false);
        ReleaseCapture();
        if (wasPressed) {
            if ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
                std::lock_guard lock(TreeMutex());
                if (Node* n = Find(hwnd)) n->check = n->check ? 0 : 1;
            }
            notifyParent(hwnd, BN_CLICKED);
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        setPressed(false);
        return 0;
    case BM_GETCHECK: {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        return n ? n->check : 0;
    }
    case BM_SETCHECK: {
        {
            std::lock_guard lock(TreeMutex());
            Node* n = Find(hwnd);
            if (n == nullptr || !isCheckType(n->style)) return 0;
            n->check = static_cast<int>(wParam);
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case BM_GETSTATE: {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        return n ? (n->check | (n->pressed ? BST_PUSHED : 0)) : 0;
    }
    case BM_SETSTATE:
        setPressed(wParam != 0);
        return 0;
    case BM_SETSTYLE:
        SetWindowLong(hwnd, GWL_STYLE, static_cast<LONG_PTR>((style & ~0xFFFFu) | (wParam & 0xFFFFu)));
        if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case BM_CLICK:
        notifyParent(hwnd, BN_CLICKED);
        return 0;
    case WM_PAINT:
        paintControl(hwnd, ODT_BUTTON, (style & BS_TYPEMASK) == BS_OWNERDRAW, 0, 0);
        return 0;
    case WM_SETTEXT:
    case WM_ENABLE: {
        LRESULT r = DefWindowProc(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

LRESULT comboProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
    std::unique_lock lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return 0;
    auto validIndex = [n](WPARAM i) { return static_cast<std::size_t>(i) < n->items.size(); };
    switch (message) {
    case CB_ADDSTRING:
        n->items.push_back(ComboItem{lParam ? reinterpret_cast<LPCSTR>(lParam) : "", 0});
        return static_cast<LRESULT>(n->items.size() - 1);
    case CB_INSERTSTRING: {
        auto at = static_cast<int>(wParam) < 0 || wParam > n->items.size() ? n->items.size() : wParam;
        n->items.insert(n->items.begin() + static_cast<std::ptrdiff_t>(at), ComboItem{lParam ? reinterpret_cast<LPCSTR>(lParam) : "", 0});
        return static_cast<LRESULT>(at);
    }
    case CB_DELETESTRING:
        if (!validIndex(wParam)) return CB_ERR;
        n->items.erase(n->items.begin() + static_cast<std::ptrdiff_t>(wParam));
        return static_cast<LRESULT>(n->items.size());
    case CB_RESETCONTENT:
        n->items.clear();
        n->curSel = -1;
        return 0;
    case CB_GETCOUNT:
        return static_cast<LRESULT>(n->items.size());
    case CB_GETCURSEL:
        return n->curSel;
    case CB_SETCURSEL:
        n->curSel = validIndex(wParam) ? static_cast<int>(wParam) : -1;
        return n->curSel < 0 ? CB_ERR : n->curSel;
    case CB_GETLBTEXT:
        if (!validIndex(wParam) || lParam == 0) return CB_ERR;
        std::strcpy(reinterpret_cast<char*>(lParam), n->items[wParam].text.c_str());
        return static_cast<LRESULT>(n->items[wParam].text.size());
    case CB_GETLBTEXTLEN:
        return validIndex(wParam) ? static_cast<LRESULT>(n->items[wParam].text.size()) : CB_ERR;
    case CB_GETITEMDATA:
        return validIndex(wParam) ? static_cast<LRESULT>(n->items[wParam].data) : CB_ERR;
    case CB_SETITEMDATA:
        if (!validIndex(wParam)) return CB_ERR;
        n->items[wParam].data = static_cast<UINT_PTR>(lParam);
        return 0;
    case CB_SETITEMHEIGHT:
        n->itemHeight = static_cast<int>(lParam);
        return 0;
    case CB_GETITEMHEIGHT:
        return n->itemHeight;
    case WM_PAINT: {
        UINT item = static_cast<UINT>(n->curSel);
        UINT_PTR data = n->curSel >= 0 ? n->items[static_cast<std::size_t>(n->curSel)].data : 0;
        lock.unlock();
        paintControl(hwnd, ODT_COMBOBOX, (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0, item, data);
        return 0;
    }
    default:
        lock.unlock();
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

// A dialog erases with the button-face colour, or with the solid brush its WM_CTLCOLORDLG gives
// (a hollow one erases nothing).
void eraseDialogBackground(HWND hwnd, HDC dc)
{
    COLORREF color = GetSysColor(COLOR_BTNFACE);
    auto brush = reinterpret_cast<HBRUSH>(SendMessage(hwnd, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
    COLORREF chosen;
    if (brush != nullptr && bridge().solidBrushColor != nullptr) {
        if (!bridge().solidBrushColor(brush, &chosen)) return;
        color = chosen;
    }
    erasePaintArea(hwnd, OpaquePixel(color));
}

LRESULT dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        SendMessage(hwnd, WM_COMMAND, IDCANCEL, 0);
        return 0;
    case WM_ERASEBKGND:
        eraseDialogBackground(hwnd, reinterpret_cast<HDC>(wParam));
        return 1;
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

bool lessIgnoringCase(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; }

// The window classes by name: the built-in ones, and those the layer's own controls register.
struct ClassTable {
    std::mutex mutex;
    std::map<std::string, WindowClass, decltype(&lessIgnoringCase)> classes{&lessIgnoringCase};

    ClassTable()
    {
        // The styles they have on Windows: each takes double-clicks.
        classes.emplace("Static", WindowClass{CS_DBLCLKS, staticProc});
        classes.emplace("Button", WindowClass{CS_DBLCLKS, buttonProc});
        classes.emplace("ComboBox", WindowClass{CS_DBLCLKS, comboProc});
        classes.emplace("#32770", WindowClass{CS_DBLCLKS, dialogProc});
    }
};

ClassTable& classTable()
{
    static ClassTable* t = new ClassTable;
    return *t;
}

}  // namespace

WindowClass platform::user::detail::FindWindowClass(LPCSTR name)
{
    if (name == nullptr || IS_INTRESOURCE(name)) return WindowClass{};
    ClassTable& t = classTable();
    std::lock_guard lock(t.mutex);
    auto it = t.classes.find(name);
    return it == t.classes.end() ? WindowClass{} : it->second;
}

BOOL platform::user::RegisterWindowClass(LPCSTR name, UINT classStyle, WNDPROC proc)
{
    if (name == nullptr || IS_INTRESOURCE(name) || *name == '\0') return FALSE;
    ClassTable& t = classTable();
    std::lock_guard lock(t.mutex);
    return t.classes.emplace(name, WindowClass{classStyle, proc}).second ? TRUE : FALSE;
}

LRESULT CallClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallThrough(&Node::classProc, hwnd, message, wParam, lParam);
}

void platform::user::detail::SetWindowProc(HWND hwnd, WNDPROC proc)
{
    std::lock_guard lock(TreeMutex());
    if (Node* n = Find(hwnd)) n->proc = proc ? proc : n->classProc;
}

UINT platform::user::detail::ClassStyleOf(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n ? n->classStyle : 0;
}

// ---- relations and words ----

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

// ---- geometry ----

BOOL GetClientRect(HWND hwnd, LPRECT rect)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr || rect == nullptr) return FALSE;
    *rect = ClientRectOf(*n);
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr || rect == nullptr) return FALSE;
    POINT origin{0, 0};
    if ((n->style & WS_CHILD) && n->parent) origin = ClientOriginOnScreen(n->parent);
    *rect = RECT{n->rect.left + origin.x, n->rect.top + origin.y, n->rect.right + origin.x, n->rect.bottom + origin.y};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point)
{
    if (!IsWindow(hwnd) || point == nullptr) return FALSE;
    POINT o = ClientOriginOnScreen(hwnd);
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point)
{
    if (!IsWindow(hwnd) || point == nullptr) return FALSE;
    POINT o = ClientOriginOnScreen(hwnd);
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
    POINT a = from ? ClientOriginOnScreen(from) : POINT{0, 0};
    POINT b = to ? ClientOriginOnScreen(to) : POINT{0, 0};
    int dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; i < count; ++i) points[i].x += dx, points[i].y += dy;
    return static_cast<int>(MAKELPARAM(dx, dy));
}

namespace {

// Moves and sizes a window, sending WM_SIZE and WM_MOVE as they apply.
void applyRect(HWND hwnd, RECT r, bool repaint, UINT sizeKind)
{
    bool moved, sized;
    RECT client;
    HWND parent;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return;
        r.right = std::max(r.right, r.left);
        r.bottom = std::max(r.bottom, r.top);
        moved = r.left != n->rect.left || r.top != n->rect.top;
        sized = (r.right - r.left) != (n->rect.right - n->rect.left) || (r.bottom - r.top) != (n->rect.bottom - n->rect.top);
        n->rect = r;
        ResizeSurface(*n);
        client = ClientRectOf(*n);
        if (sized || repaint) InvalidateNode(*n, nullptr, true);
        if (n->host) HostSyncGeometry(*n);
        parent = (n->style & WS_CHILD) ? n->parent : nullptr;
        n->changed = true;
    }
    if (parent) markChanged(parent);
    if (sized) SendMessage(hwnd, WM_SIZE, sizeKind, MAKELPARAM(client.right, client.bottom));
    if (moved) SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
}

UINT sizeKindOf(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return SIZE_RESTORED;
    return n->minimized ? SIZE_MINIMIZED : n->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
}

}  // namespace

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    if (!IsWindow(hwnd)) return FALSE;
    applyRect(hwnd, RECT{x, y, x + std::max(0, width), y + std::max(0, height)}, repaint != 0, sizeKindOf(hwnd));
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    RECT r;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return FALSE;
        r = n->rect;
        if (!(flags & SWP_NOZORDER) && (n->style & WS_CHILD)) {
            if (Node* p = Find(n->parent)) {
                std::erase(p->children, hwnd);
                if (insertAfter == HWND_BOTTOM) {
                    p->children.insert(p->children.begin(), hwnd);
                } else if (insertAfter == HWND_TOP) {
                    p->children.push_back(hwnd);
                } else {
                    auto it = std::find(p->children.begin(), p->children.end(), insertAfter);
                    p->children.insert(it, hwnd);  // just below insertAfter
                }
                n->changed = true;
                p->changed = true;
            }
        }
    }
    if (!(flags & SWP_NOMOVE)) r = RECT{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
    if (!(flags & SWP_NOSIZE)) r.right = r.left + std::max(0, cx), r.bottom = r.top + std::max(0, cy);
    applyRect(hwnd, r, !(flags & SWP_NOREDRAW) && (flags & SWP_FRAMECHANGED), sizeKindOf(hwnd));
    if (flags & SWP_FRAMECHANGED) {
        std::lock_guard lock(TreeMutex());
        if (Node* n = Find(hwnd)) {
            ResizeSurface(*n);
            InvalidateNode(*n, nullptr, true);
        }
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    return TRUE;
}

HWND WindowFromPoint(POINT screen) { return platform::user::input::WindowAtScreenPoint(screen, nullptr); }

// ---- show states ----

namespace {

RECT maximizedRect(const Node& n)
{
    RECT bounds{0, 0, 1024, 768};
    if ((n.style & WS_CHILD) && n.parent) {
        if (Node* p = Find(n.parent)) bounds = ClientRectOf(*p);
    } else {
        HostUsableBounds(&bounds);
    }
    int b = BorderOf(n);
    return RECT{bounds.left - b, bounds.top - b, bounds.right + b, bounds.bottom + b};
}

void setVisible(HWND hwnd, bool visible)
{
    bool changed = false;
    HWND parent = nullptr;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return;
        bool was = (n->style & WS_VISIBLE) != 0;
        if (was == visible) return;
        changed = true;
        parent = (n->style & WS_CHILD) ? n->parent : nullptr;
    }
    if (changed) SendMessage(hwnd, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    if (n == nullptr) return;
    if (visible) {
        n->style |= WS_VISIBLE;
        InvalidateNode(*n, nullptr, true);
    } else {
        n->style &= ~WS_VISIBLE;
    }
    n->changed = true;
    if (n->host) HostSyncShow(*n);
    if (Node* p = Find(parent)) p->changed = true;
}

}  // namespace

BOOL ShowWindow(HWND hwnd, int command)
{
    bool wasVisible, isTop;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return FALSE;
        wasVisible = (n->style & WS_VISIBLE) != 0;
        isTop = !(n->style & WS_CHILD);
    }
    auto setState = [hwnd](bool minimized, bool maximized) {
        RECT target;
        UINT kind;
        {
            std::lock_guard lock(TreeMutex());
            Node* n = Find(hwnd);
            if (n == nullptr) return;
            if (!n->minimized && !n->maximized) n->restoreRect = n->rect;
            n->minimized = minimized;
            n->maximized = maximized;
            target = maximized && !minimized ? maximizedRect(*n) : minimized ? n->rect : n->restoreRect;
            kind = minimized ? SIZE_MINIMIZED : maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
            if (n->host) HostSyncShow(*n);
        }
        RECT before;
        GetWindowRect(hwnd, &before);
        applyRect(hwnd, target, true, kind);
        RECT c;
        GetClientRect(hwnd, &c);
        // A change of state with the same size still tells the window its new state.
        RECT after;
        GetWindowRect(hwnd, &after);
        if ((before.right - before.left) == (after.right - after.left) && (before.bottom - before.top) == (after.bottom - after.top))
            SendMessage(hwnd, WM_SIZE, kind, MAKELPARAM(c.right, c.bottom));
    };
    auto isState = [hwnd](bool* minimized, bool* maximized) {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        *minimized = n && n->minimized;
        *maximized = n && n->maximized;
    };
    bool mn, mx;
    isState(&mn, &mx);
    switch (command) {
    case SW_HIDE:
        setVisible(hwnd, false);
        platform::user::input::ForgetWindowTree(hwnd);
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        if (!mn) setState(true, mx);
        setVisible(hwnd, true);
        break;
    case SW_SHOWMAXIMIZED:
        if (!mx || mn) setState(false, true);
        setVisible(hwnd, true);
        if (isTop) SetActiveWindow(hwnd);
        break;
    case SW_RESTORE:
        if (mn) setState(false, mx);
        else if (mx) setState(false, false);
        setVisible(hwnd, true);
        if (isTop) SetActiveWindow(hwnd);
        break;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
        if (mn || mx) setState(false, false);
        setVisible(hwnd, true);
        if (isTop) SetActiveWindow(hwnd);
        break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
        setVisible(hwnd, true);
        break;
    default:  // SW_SHOW
        setVisible(hwnd, true);
        if (isTop) SetActiveWindow(hwnd);
        break;
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) { return VisibleChain(hwnd) ? TRUE : FALSE; }

BOOL IsIconic(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n && n->minimized ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n && n->maximized && !n->minimized ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    bool wasDisabled;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return FALSE;
        wasDisabled = (n->style & WS_DISABLED) != 0;
        if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
        if (enable) n->style &= ~WS_DISABLED;
        else n->style |= WS_DISABLED;
    }
    if (!enable) platform::user::input::ForgetWindowTree(hwnd);
    SendMessage(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n && !(n->style & WS_DISABLED) ? TRUE : FALSE;
}

// ---- painting ----

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

// ---- timers ----

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc)
{
    if (hwnd != nullptr && !IsWindow(hwnd)) return 0;
    elapseMs = std::max(elapseMs, 10u);  // the shortest period Windows honours
    std::lock_guard lock(timerMutex());
    auto& all = timers();
    if (hwnd == nullptr) {
        UINT_PTR next = 0x7FFF0000;
        for (const Timer& t : all) next = std::max(next, t.id + 1);
        id = next;
    }
    std::erase_if(all, [hwnd, id](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    all.push_back(Timer{hwnd, id, elapseMs, proc, std::chrono::steady_clock::now() + std::chrono::milliseconds(elapseMs),
                        std::this_thread::get_id()});
    WakeQueue();
    return hwnd == nullptr ? id : (id == 0 ? 1 : id);
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    std::lock_guard lock(timerMutex());
    auto n = std::erase_if(timers(), [hwnd, id](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    return n ? TRUE : FALSE;
}

// ---- misc ----

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) { return init != nullptr ? TRUE : FALSE; }

int GetSystemMetrics(int index)
{
    RECT b{0, 0, 1024, 768};
    HostUsableBounds(&b);
    switch (index) {
    case SM_CXSCREEN: return b.right - b.left;
    case SM_CYSCREEN: return b.bottom - b.top;
    case SM_CXICON:
    case SM_CYICON: return 32;
    default: return 0;
    }
}

DWORD GetSysColor(int index)
{
    switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT: return RGB(0, 120, 215);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    default: return RGB(0, 0, 0);
    }
}
