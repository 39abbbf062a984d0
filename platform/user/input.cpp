#include "platform/user/input.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/kernel/clock.h"
#include "platform/user/window.h"
#include "platform/user/window_tree.h"

using namespace platform::user::detail;

namespace platform::user::input {

namespace {

struct State {
    std::mutex mutex;
    POINT cursor{0, 0};   // where the input taken so far left the cursor
    POINT pointer{0, 0};  // where the display last reported the pointer
    std::optional<RECT> clip;
    // Left presses as the display reported them and as they were taken; the clip remembers the
    // press it was set in (0: none), so that the display holds the pointer for that press only.
    std::uint64_t pressesEntered = 0;
    std::uint64_t pressesTaken = 0;
    std::uint64_t clipPress = 0;
    HWND capture = nullptr;
    HWND focus = nullptr;
    HWND active = nullptr;
    BYTE keys[256] = {};       // as of the input taken (GetKeyState)
    BYTE asyncKeys[256] = {};  // as the display reported them (GetAsyncKeyState)
    HWND tracked = nullptr;
    HCURSOR cursorShape = nullptr;
    // Double clicks: the last press.
    HWND lastDownWindow = nullptr;
    Button lastDownButton = Button::Left;
    DWORD lastDownTime = 0;
    POINT lastDownPoint{0, 0};
    // The window that took the left press still held, as the input taken so far has it.
    HWND pressed = nullptr;
    // The input record being taken, by its number (0: none): its messages are not queued yet.
    std::uint64_t recordsTaken = 0;
    std::uint64_t taking = 0;
    // Moving a top-level window by its caption.
    HWND moving = nullptr;
    POINT moveStartCursor{0, 0};
    POINT moveStartWindow{0, 0};
};

State& state()
{
    static State* s = new State;
    return *s;
}

constexpr DWORD kDoubleClickMs = 500;
constexpr int kDoubleClickSlop = 4;

int vkOf(Button b) { return b == Button::Left ? VK_LBUTTON : b == Button::Right ? VK_RBUTTON : VK_MBUTTON; }

UINT downMessageOf(Button b) { return b == Button::Left ? WM_LBUTTONDOWN : b == Button::Right ? WM_RBUTTONDOWN : WM_MBUTTONDOWN; }

// A key's state byte: the top bit while it is down, bit 0 toggled at each press.
void setKey(BYTE& k, bool down)
{
    if (down) k = static_cast<BYTE>((k & 0x80) ? k : ((k ^ 0x01) | 0x80));
    else k &= 0x7F;
}

WPARAM mouseKeyFlags()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    WPARAM f = 0;
    if (s.keys[VK_LBUTTON] & 0x80) f |= MK_LBUTTON;
    if (s.keys[VK_RBUTTON] & 0x80) f |= MK_RBUTTON;
    if (s.keys[VK_MBUTTON] & 0x80) f |= MK_MBUTTON;
    if (s.keys[VK_SHIFT] & 0x80) f |= MK_SHIFT;
    if (s.keys[VK_CONTROL] & 0x80) f |= MK_CONTROL;
    return f;
}

bool usable(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n && (n->style & WS_VISIBLE) && !(n->style & WS_DISABLED);
}

// Deepest enabled, visible descendant under the point, top of the z-order first; windows that
// answer HTTRANSPARENT pass the point on to what lies beneath them.
HWND hitChild(HWND parent, POINT screen, int* hit)
{
    std::vector<HWND> kids;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(parent);
        if (n == nullptr) return nullptr;
        kids = n->children;
    }
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
        if (!usable(*it)) continue;
        RECT r;
        GetWindowRect(*it, &r);
        if (screen.x < r.left || screen.y < r.top || screen.x >= r.right || screen.y >= r.bottom) continue;
        if (HWND deeper = hitChild(*it, screen, hit)) return deeper;
        int h = static_cast<int>(SendMessage(*it, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)));
        if (h == HTTRANSPARENT) continue;
        *hit = h;
        return *it;
    }
    return nullptr;
}

POINT toClient(HWND hwnd, POINT screen)
{
    ScreenToClient(hwnd, &screen);
    return screen;
}

// The window whose mouse tracking ends now that the cursor is over `under`, if any.
HWND endTracking(HWND under)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.tracked == nullptr || s.tracked == under) return nullptr;
    return std::exchange(s.tracked, nullptr);
}

POINT clampedTo(const RECT& r, POINT p)
{
    return POINT{std::clamp(p.x, r.left, std::max(r.left, r.right - 1)), std::clamp(p.y, r.top, std::max(r.top, r.bottom - 1))};
}

// The cursor moves to the point, kept inside the ClipCursor rectangle in force as the input is
// taken.
POINT moveCursor(POINT p)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.clip) p = clampedTo(*s.clip, p);
    s.cursor = p;
    return p;
}

// The messages that one input record makes, in order, each with the record's time and the cursor
// position it left.
class InputMessages {
public:
    InputMessages(std::vector<MSG>* out, DWORD time, POINT cursor) : m_out(out), m_time(time), m_cursor(cursor) {}
    void Add(HWND hwnd, UINT message, WPARAM w, LPARAM l) { m_out->push_back(MSG{hwnd, message, w, l, m_time, m_cursor}); }

private:
    std::vector<MSG>* m_out;
    DWORD m_time;
    POINT m_cursor;
};

void takeMove(POINT screen, DWORD time, std::vector<MSG>* out)
{
    POINT p = moveCursor(screen);
    InputMessages messages(out, time, p);
    HWND moving;
    POINT startCursor, startWindow;
    HWND capture;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        moving = s.moving;
        startCursor = s.moveStartCursor;
        startWindow = s.moveStartWindow;
        capture = s.capture;
    }
    if (moving != nullptr) {
        SetWindowPos(moving, nullptr, startWindow.x + (p.x - startCursor.x), startWindow.y + (p.y - startCursor.y), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        return;
    }
    int hit = HTCLIENT;
    HWND under = WindowAtScreenPoint(p, &hit);
    if (HWND left = endTracking(under)) messages.Add(left, WM_MOUSELEAVE, 0, 0);
    HWND target = capture ? capture : under;
    if (target == nullptr) return;
    if (capture) hit = HTCLIENT;
    else SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(hit, WM_MOUSEMOVE));
    if (hit == HTCLIENT) {
        POINT c = toClient(target, p);
        messages.Add(target, WM_MOUSEMOVE, mouseKeyFlags(), MAKELPARAM(c.x, c.y));
    } else {
        messages.Add(target, WM_NCMOUSEMOVE, static_cast<WPARAM>(hit), MAKELPARAM(p.x, p.y));
    }
}

// The window takes the left press, unless a modal loop entered on the way dropped it.
void notePress(HWND target)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.taking != 0) s.pressed = target;
}

// Whether a press at the point is the second of a double click on the target; it is noted as
// the last press otherwise.
bool secondPress(HWND target, Button button, POINT p, DWORD time)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    bool quick = s.lastDownWindow == target && s.lastDownButton == button && time - s.lastDownTime <= kDoubleClickMs &&
                 std::abs(p.x - s.lastDownPoint.x) <= kDoubleClickSlop && std::abs(p.y - s.lastDownPoint.y) <= kDoubleClickSlop;
    if (quick) {
        s.lastDownWindow = nullptr;
        return true;
    }
    s.lastDownWindow = target;
    s.lastDownButton = button;
    s.lastDownTime = time;
    s.lastDownPoint = p;
    return false;
}

void takeButton(POINT screen, Button button, bool down, DWORD time, std::vector<MSG>* out)
{
    POINT p = moveCursor(screen);
    InputMessages messages(out, time, p);
    HWND capture;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        setKey(s.keys[vkOf(button)], down);
        if (down && button == Button::Left) ++s.pressesTaken;
        if (button == Button::Left) s.pressed = nullptr;
        if (s.moving != nullptr) {
            if (!down && button == Button::Left) s.moving = nullptr;
            return;
        }
        capture = s.capture;
    }
    int hit = HTCLIENT;
    HWND target = capture ? capture : WindowAtScreenPoint(p, &hit);
    if (target == nullptr || !IsWindowEnabled(target)) return;
    if (capture) hit = HTCLIENT;
    UINT base = downMessageOf(button);
    UINT message = down ? base : base + 1;
    if (down) {
        HWND root = RootOf(target);
        if (root != GetActiveWindow()) SetActiveWindow(root);
        // In the client area only windows whose class asks for double-clicks get them.
        bool wanted = hit != HTCLIENT || (ClassStyleOf(target) & CS_DBLCLKS);
        if (secondPress(target, button, p, time) && wanted && button != Button::Middle) message = base + 2;
        if (button == Button::Left) notePress(target);
    }
    if (hit == HTCLIENT) {
        POINT c = toClient(target, p);
        messages.Add(target, message, mouseKeyFlags(), MAKELPARAM(c.x, c.y));
    } else if (button == Button::Left) {
        messages.Add(target, message - WM_LBUTTONDOWN + WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit), MAKELPARAM(p.x, p.y));
    } else if (button == Button::Right) {
        messages.Add(target, down ? WM_NCRBUTTONDOWN : WM_NCRBUTTONUP, static_cast<WPARAM>(hit), MAKELPARAM(p.x, p.y));
    }
}

void takeWheel(POINT screen, int delta, bool horizontal, DWORD time, std::vector<MSG>* out)
{
    POINT p = moveCursor(screen);
    HWND target = GetCapture();
    if (target == nullptr) target = WindowAtScreenPoint(p, nullptr);
    if (target == nullptr) return;
    InputMessages(out, time, p).Add(target, horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL,
                                    MAKEWPARAM(static_cast<int>(mouseKeyFlags()), delta), MAKELPARAM(p.x, p.y));
}

void takeKey(int virtualKey, bool down, DWORD time, std::vector<MSG>* out)
{
    bool alt;
    HWND target;
    POINT cursor;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        setKey(s.keys[virtualKey & 0xFF], down);
        alt = (s.keys[VK_MENU] & 0x80) != 0;
        target = s.focus ? s.focus : s.active;
        cursor = s.cursor;
    }
    if (target == nullptr || !IsWindow(target)) return;
    bool sys = alt || virtualKey == VK_MENU;
    UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    InputMessages(out, time, cursor).Add(target, message, static_cast<WPARAM>(virtualKey), down ? 1 : static_cast<LPARAM>(0xC0000001u));
}

// What the display reports is queued in its order as a record naming the message it stands for
// (wParam), the point (pt) and the key or wheel delta (lParam); it becomes window messages only
// when its turn comes (TakeInput).
void enter(UINT action, POINT at, LPARAM data)
{
    QueueInput(MSG{nullptr, kInputRecord, action, data, GetTickCount(), at});
}

void enterPointer(POINT at)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.pointer = at;
}

std::uint64_t beginTaking()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.taking = ++s.recordsTaken;
    return s.taking;
}

// Whether the record is still the one being taken (a modal loop entered meanwhile drops it).
bool endTaking(std::uint64_t record)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return std::exchange(s.taking, 0) == record;
}

}  // namespace

HWND WindowAtScreenPoint(POINT screen, int* hitTest)
{
    int hit = HTNOWHERE;
    std::vector<HWND> tops;
    {
        std::lock_guard lock(TreeMutex());
        tops = TopLevelWindows();
    }
    // The most recently shown top-level window lies on top.
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        if (!VisibleChain(*it)) continue;
        RECT r;
        GetWindowRect(*it, &r);
        if (screen.x < r.left || screen.y < r.top || screen.x >= r.right || screen.y >= r.bottom) continue;
        if (!IsWindowEnabled(*it)) return nullptr;
        HWND found = hitChild(*it, screen, &hit);
        if (found == nullptr) {
            hit = static_cast<int>(SendMessage(*it, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)));
            found = *it;
        }
        if (hitTest) *hitTest = hit;
        return found;
    }
    return nullptr;
}

void MouseMove(POINT screen)
{
    enterPointer(screen);
    enter(WM_MOUSEMOVE, screen, 0);
}

void MouseButton(POINT screen, Button button, bool down)
{
    enterPointer(screen);
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        setKey(s.asyncKeys[vkOf(button)], down);
        if (down && button == Button::Left) ++s.pressesEntered;
    }
    enter(down ? downMessageOf(button) : downMessageOf(button) + 1, screen, 0);
}

void MouseWheel(POINT screen, int delta, bool horizontal)
{
    enterPointer(screen);
    enter(horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL, screen, delta);
}

void Key(int virtualKey, bool down)
{
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        setKey(s.asyncKeys[virtualKey & 0xFF], down);
    }
    enter(down ? WM_KEYDOWN : WM_KEYUP, POINT{0, 0}, virtualKey);
}

void MouseLeftDisplay() { enter(WM_MOUSELEAVE, POINT{0, 0}, 0); }

bool TakingInput()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.taking != 0;
}

void TakeInput(const MSG& record, std::vector<MSG>* out)
{
    const std::uint64_t number = beginTaking();
    const UINT action = static_cast<UINT>(record.wParam);
    switch (action) {
    case WM_MOUSEMOVE:
        takeMove(record.pt, record.time, out);
        break;
    case WM_MOUSELEAVE:
        if (HWND left = endTracking(nullptr)) InputMessages(out, record.time, record.pt).Add(left, WM_MOUSELEAVE, 0, 0);
        break;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        takeWheel(record.pt, static_cast<int>(record.lParam), action == WM_MOUSEHWHEEL, record.time, out);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        takeKey(static_cast<int>(record.lParam), action == WM_KEYDOWN, record.time, out);
        break;
    default: {
        const Button button = action <= WM_LBUTTONUP ? Button::Left : action <= WM_RBUTTONUP ? Button::Right : Button::Middle;
        takeButton(record.pt, button, (action - WM_LBUTTONDOWN) % 3 == 0, record.time, out);
        break;
    }
    }
    // The modal loop took the input after this record: its messages would come too late.
    if (!endTaking(number)) out->clear();
}

bool PointerToHold(POINT* to)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.clip || s.clipPress == 0 || s.clipPress != s.pressesEntered || !(s.asyncKeys[VK_LBUTTON] & 0x80)) return false;
    const POINT inside = clampedTo(*s.clip, s.pointer);
    if (inside.x == s.pointer.x && inside.y == s.pointer.y) return false;
    s.pointer = inside;
    *to = inside;
    return true;
}

void EnterModalLoop()
{
    HWND busy;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        busy = s.capture ? s.capture : s.pressed;
        s.pressed = nullptr;
        s.moving = nullptr;
        s.taking = 0;
    }
    if (busy != nullptr) SendMessage(busy, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    ClipCursor(nullptr);
}

void BeginMoveDrag(HWND topLevel, bool byPress)
{
    if (topLevel == nullptr || IsZoomed(topLevel)) return;
    RECT r;
    if (!GetWindowRect(topLevel, &r)) return;
    if (byPress && GetKeyState(VK_LBUTTON) >= 0) return;  // the button was already released
    EnterModalLoop();
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.moving = topLevel;
    s.moveStartCursor = s.cursor;
    s.moveStartWindow = POINT{r.left, r.top};
}

void ForgetWindow(HWND hwnd)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.capture == hwnd) s.capture = nullptr;
    if (s.focus == hwnd) s.focus = nullptr;
    if (s.active == hwnd) s.active = nullptr;
    if (s.tracked == hwnd) s.tracked = nullptr;
    if (s.moving == hwnd) s.moving = nullptr;
    if (s.pressed == hwnd) s.pressed = nullptr;
    if (s.lastDownWindow == hwnd) s.lastDownWindow = nullptr;
}

void ForgetWindowTree(HWND hwnd)
{
    // Hiding, disabling or destroying a window takes capture and focus from it and its children.
    HWND capture = GetCapture();
    if (capture && (capture == hwnd || IsChild(hwnd, capture))) ReleaseCapture();
    HWND focus = GetFocus();
    if (focus && (focus == hwnd || IsChild(hwnd, focus))) {
        State& s = state();
        std::lock_guard lock(s.mutex);
        s.focus = nullptr;
    }
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.moving == hwnd) s.moving = nullptr;
}

}  // namespace platform::user::input

using namespace platform::user::input;

HWND SetFocus(HWND hwnd)
{
    if (hwnd != nullptr && !IsWindow(hwnd)) return nullptr;
    HWND root = hwnd ? RootOf(hwnd) : nullptr;
    if (root && root != GetActiveWindow()) SetActiveWindow(root);
    HWND old;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        old = s.focus;
        if (old == hwnd) return old;
        s.focus = hwnd;
    }
    if (old && IsWindow(old)) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd) SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetFocus()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.focus;
}

HWND GetActiveWindow()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.active;
}

HWND SetActiveWindow(HWND hwnd)
{
    HWND root = hwnd ? RootOf(hwnd) : nullptr;
    if (root && (GetWindowLong(root, GWL_EXSTYLE) & WS_EX_NOACTIVATE)) return GetActiveWindow();
    HWND old;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        old = s.active;
        if (old == root) return old;
        s.active = root;
    }
    if (old && IsWindow(old)) {
        SendMessage(old, WM_NCACTIVATE, FALSE, 0);
        SendMessage(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(root));
    }
    if (root) {
        SendMessage(root, WM_NCACTIVATE, TRUE, 0);
        SendMessage(root, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, IsIconic(root) ? 1 : 0), reinterpret_cast<LPARAM>(old));
    }
    return old;
}

HWND SetCapture(HWND hwnd)
{
    if (!IsWindow(hwnd)) return nullptr;
    HWND old;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        old = s.capture;
        s.capture = hwnd;
    }
    if (old && old != hwnd) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

BOOL ReleaseCapture()
{
    HWND old;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        old = s.capture;
        s.capture = nullptr;
    }
    if (old) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.capture;
}

BOOL ClipCursor(LPCRECT rect)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (rect == nullptr) {
        s.clip.reset();
        s.clipPress = 0;
        return TRUE;
    }
    RECT r = *rect;
    if (r.right < r.left) std::swap(r.left, r.right);
    if (r.bottom < r.top) std::swap(r.top, r.bottom);
    s.clip = r;
    s.cursor = clampedTo(r, s.cursor);
    s.clipPress = (s.keys[VK_LBUTTON] & 0x80) ? s.pressesTaken : 0;
    return TRUE;
}

BOOL GetClipCursor(LPRECT rect)
{
    if (rect == nullptr) return FALSE;
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.clip) {
        *rect = *s.clip;
    } else {
        RECT b{0, 0, 1024, 768};
        HostUsableBounds(&b);
        *rect = b;
    }
    return TRUE;
}

BOOL GetCursorPos(LPPOINT point)
{
    if (point == nullptr) return FALSE;
    State& s = state();
    std::lock_guard lock(s.mutex);
    *point = s.cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    MouseMove(POINT{x, y});
    return TRUE;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track)
{
    if (track == nullptr || track->cbSize < sizeof(TRACKMOUSEEVENT)) return FALSE;
    if (!(track->dwFlags & TME_LEAVE)) return TRUE;
    if (!IsWindow(track->hwndTrack)) return FALSE;
    State& s = state();
    bool outside;
    {
        std::lock_guard lock(s.mutex);
        if (track->dwFlags & TME_CANCEL) {
            if (s.tracked == track->hwndTrack) s.tracked = nullptr;
            return TRUE;
        }
    }
    POINT p;
    GetCursorPos(&p);
    outside = WindowAtScreenPoint(p, nullptr) != track->hwndTrack;
    if (outside) {
        // Windows posts the leave at once when the cursor is not over the window.
        PostMessage(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
        return TRUE;
    }
    std::lock_guard lock(s.mutex);
    s.tracked = track->hwndTrack;
    return TRUE;
}

short GetKeyState(int virtualKey)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    BYTE k = s.keys[virtualKey & 0xFF];
    return static_cast<short>(((k & 0x80) ? 0xFF80 : 0) | (k & 0x01));
}

short GetAsyncKeyState(int virtualKey)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return static_cast<short>((s.asyncKeys[virtualKey & 0xFF] & 0x80) ? 0x8000 : 0);
}

namespace {
// The standard cursors are small numbers kept as handles; the host maps them to system cursors.
bool standardCursor(UINT_PTR id) { return id >= 32512 && id <= 32651; }
}  // namespace

HCURSOR LoadCursor(HINSTANCE, LPCSTR name)
{
    auto id = reinterpret_cast<UINT_PTR>(name);
    if (!IS_INTRESOURCE(name) || !standardCursor(id)) return nullptr;
    return reinterpret_cast<HCURSOR>(id);
}

HCURSOR SetCursor(HCURSOR cursor)
{
    HCURSOR old;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        old = s.cursorShape;
        s.cursorShape = cursor;
    }
    if (old != cursor) HostSetCursor(cursor);
    return old;
}

HCURSOR GetCursor()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.cursorShape;
}

namespace {

struct Icons {
    std::mutex mutex;
    platform::user::IconLoader loader = nullptr;
    std::map<std::string, HICON> loaded;  // by "#id" or by name
};

Icons& icons()
{
    static Icons* i = new Icons;
    return *i;
}

}  // namespace

void platform::user::SetIconLoader(IconLoader loader)
{
    Icons& i = icons();
    std::lock_guard lock(i.mutex);
    i.loader = loader;
}

HICON LoadIcon(HINSTANCE instance, LPCSTR name)
{
    if (name == nullptr) return nullptr;
    auto id = reinterpret_cast<UINT_PTR>(name);
    // The standard icons are small numbers kept as handles, as the standard cursors are.
    if (instance == nullptr && IS_INTRESOURCE(name) && id >= 32512 && id <= 32518) return reinterpret_cast<HICON>(id);
    std::string key = IS_INTRESOURCE(name) ? std::string("#").append(std::to_string(id)) : std::string(name);
    Icons& i = icons();
    std::lock_guard lock(i.mutex);
    auto it = i.loaded.find(key);
    if (it != i.loaded.end()) return it->second;
    HICON icon = i.loader ? i.loader(name) : nullptr;
    if (icon != nullptr) i.loaded.emplace(key, icon);
    return icon;
}
