// The popup menu: a list of menu items in a window of its own ("#32768") above its owner, and the
// message loop that runs while the user chooses from it.
#include <algorithm>
#include <cctype>

#include "platform/user/builtin_controls.h"
#include "platform/user/input.h"
#include "platform/user/menu.h"

namespace platform::user::detail {

namespace {

constexpr int kFrame = 1;             // the frame around the list
constexpr int kInset = kFrame + 2;    // from the window's edge to the lines' bands
constexpr int kTextLeft = 20;         // from a band's left edge to its text
constexpr int kTextRight = 24;        // from the text to the band's right edge
constexpr int kItemPadding = 8;       // an item's height beyond its text's
constexpr int kSeparatorHeight = 7;
constexpr int kLeastWidth = 140;

struct MenuState : ControlState {
    std::vector<MenuItem> items;
    std::vector<MenuLine> lines;  // one for each item
    int hot = -1;                 // the highlighted line
    bool open = true;
    UINT_PTR chosen = 0;
};

struct MenuLayout {
    std::vector<MenuLine> lines;
    SIZE size{0, 0};
};

SIZE textSize(const std::string& text)
{
    const GdiBridge& b = GetGdiBridge();
    if (b.measureControlText) return b.measureControlText(text);
    return SIZE{static_cast<LONG>(text.size()) * 8, 16};  // no drawing layer: a rough guess
}

bool choosable(const MenuItem& item) { return !(item.flags & (MF_SEPARATOR | MF_GRAYED)); }

MenuLayout layOut(const std::vector<MenuItem>& items)
{
    LONG textWidth = 0, textHeight = 1;
    for (const MenuItem& item : items) {
        if (item.flags & MF_SEPARATOR) continue;
        const SIZE s = textSize(item.text);
        textWidth = std::max(textWidth, s.cx);
        textHeight = std::max(textHeight, s.cy);
    }
    MenuLayout layout;
    const LONG width = std::max<LONG>(kLeastWidth, textWidth + kTextLeft + kTextRight + 2 * kInset);
    LONG y = kInset;
    for (const MenuItem& item : items) {
        MenuLine line;
        line.text = item.text;
        line.separator = (item.flags & MF_SEPARATOR) != 0;
        line.grayed = (item.flags & MF_GRAYED) != 0;
        const LONG height = line.separator ? kSeparatorHeight : textHeight + kItemPadding;
        line.rect = RECT{kInset, y, width - kInset, y + height};
        line.textRect = RECT{kInset + kTextLeft, y, width - kInset - kTextRight, y + height};
        layout.lines.push_back(line);
        y += height;
    }
    layout.size = SIZE{width, y + kInset};
    return layout;
}

// Where the list's top-left corner goes so that all of it lies on the screen.
POINT placed(POINT at, SIZE size)
{
    const LONG right = GetSystemMetrics(SM_CXSCREEN), bottom = GetSystemMetrics(SM_CYSCREEN);
    return POINT{std::max<LONG>(0, std::min(at.x, right - size.cx)), std::max<LONG>(0, std::min(at.y, bottom - size.cy))};
}

// The letter after an item's single '&', upper-cased; 0 for none.
int mnemonicOf(const std::string& text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return std::toupper(static_cast<unsigned char>(text[i + 1]));
        ++i;
    }
    return 0;
}

// The state of a live menu window, under TreeMutex; the caller holds it.
MenuState* stateOf(HWND menu)
{
    Node* n = Find(menu);
    return n ? &ControlStateOf<MenuState>(*n) : nullptr;
}

void closeMenu(HWND menu, UINT_PTR chosen)
{
    std::lock_guard lock(TreeMutex());
    if (MenuState* s = stateOf(menu)) s->open = false, s->chosen = chosen;
}

void setHot(HWND menu, int hot)
{
    {
        std::lock_guard lock(TreeMutex());
        MenuState* s = stateOf(menu);
        if (s == nullptr || s->hot == hot) return;
        s->hot = hot;
    }
    InvalidateRect(menu, nullptr, FALSE);
}

// The choosable item under a client point, -1 for none.
int itemAt(HWND menu, LPARAM point)
{
    const POINT p{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    std::lock_guard lock(TreeMutex());
    MenuState* s = stateOf(menu);
    if (s == nullptr) return -1;
    for (std::size_t i = 0; i < s->lines.size(); ++i) {
        const RECT& r = s->lines[i].rect;
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return choosable(s->items[i]) ? static_cast<int>(i) : -1;
    }
    return -1;
}

void chooseItem(HWND menu, int index)
{
    UINT_PTR id = 0;
    {
        std::lock_guard lock(TreeMutex());
        MenuState* s = stateOf(menu);
        if (s == nullptr || index < 0 || static_cast<std::size_t>(index) >= s->items.size() || !choosable(s->items[index])) return;
        id = s->items[index].id;
    }
    closeMenu(menu, id);
}

// The next choosable item after the highlighted one in a direction (+1 down, -1 up), round the
// end; -1 for none.
int nextItem(HWND menu, int step)
{
    std::lock_guard lock(TreeMutex());
    MenuState* s = stateOf(menu);
    if (s == nullptr || s->items.empty()) return -1;
    const int count = static_cast<int>(s->items.size());
    int i = s->hot < 0 ? (step > 0 ? -1 : count) : s->hot;
    for (int tries = 0; tries < count; ++tries) {
        i = (i + step + count) % count;
        if (choosable(s->items[i])) return i;
    }
    return -1;
}

int itemWithMnemonic(HWND menu, int key)
{
    std::lock_guard lock(TreeMutex());
    MenuState* s = stateOf(menu);
    if (s == nullptr) return -1;
    for (std::size_t i = 0; i < s->items.size(); ++i)
        if (choosable(s->items[i]) && mnemonicOf(s->items[i].text) == key) return static_cast<int>(i);
    return -1;
}

bool insideClient(HWND menu, LPARAM point)
{
    RECT c;
    GetClientRect(menu, &c);
    const POINT p{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    return p.x >= c.left && p.x < c.right && p.y >= c.top && p.y < c.bottom;
}

int hotItem(HWND menu)
{
    std::lock_guard lock(TreeMutex());
    MenuState* s = stateOf(menu);
    return s ? s->hot : -1;
}

void keyDown(HWND menu, int key)
{
    switch (key) {
    case VK_ESCAPE:
        closeMenu(menu, 0);
        return;
    case VK_UP:
    case VK_DOWN:
        setHot(menu, nextItem(menu, key == VK_DOWN ? 1 : -1));
        return;
    case VK_RETURN:
        chooseItem(menu, hotItem(menu));
        return;
    default:
        if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) chooseItem(menu, itemWithMnemonic(menu, key));
        return;
    }
}

void paint(HWND menu)
{
    ControlLook look;
    look.kind = ControlLook::Kind::Menu;
    {
        std::lock_guard lock(TreeMutex());
        MenuState* s = stateOf(menu);
        if (s == nullptr) return;
        look.menu = s->lines;
        look.highlighted = s->hot;
    }
    PaintStandardLook(menu, look);
}

bool isKey(UINT message)
{
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_CHAR;
}

bool isMouse(UINT message)
{
    return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || (message >= WM_NCMOUSEMOVE && message <= WM_NCRBUTTONUP);
}

bool isPress(UINT message)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
        return true;
    default:
        return false;
    }
}

// The menu closes with its owner, and when the program loses the keyboard (its owner is no longer
// the active window).
bool stillOpen(HWND menu, HWND owner)
{
    if (!IsWindow(owner) || !IsWindowVisible(owner) || GetActiveWindow() != RootOf(owner)) return false;
    std::lock_guard lock(TreeMutex());
    MenuState* s = stateOf(menu);
    return s != nullptr && s->open;
}

// Handles the thread's messages until the menu closes. Key input goes to the menu whichever
// window it was meant for (it may have been queued before the menu opened); mouse input for
// other windows is dropped, and a press there closes the menu.
void runMenuLoop(HWND menu, HWND owner)
{
    while (stillOpen(menu, owner)) {
        MSG msg;
        if (!TakeModalLoopMessage(&msg)) return;
        if (isKey(msg.message)) {
            SendMessage(menu, msg.message, msg.wParam, msg.lParam);
        } else if (isMouse(msg.message) && msg.hwnd != menu) {
            if (isPress(msg.message)) closeMenu(menu, 0);
        } else {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
}

}  // namespace

LRESULT MenuProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_MOUSEMOVE:
        setHot(hwnd, itemAt(hwnd, lParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
        if (!insideClient(hwnd, lParam)) closeMenu(hwnd, 0);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        chooseItem(hwnd, itemAt(hwnd, lParam));
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        keyDown(hwnd, static_cast<int>(wParam));
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
        return 0;
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

}  // namespace platform::user::detail

UINT_PTR platform::user::ChooseMenuItem(HWND owner, const std::vector<MenuItem>& items, POINT screen)
{
    using namespace detail;
    if (std::none_of(items.begin(), items.end(), choosable)) return 0;
    input::EnterModalLoop();
    const MenuLayout layout = layOut(items);
    const POINT at = placed(screen, layout.size);
    HWND menu = CreateWindowExA(WS_EX_NOACTIVATE, "#32768", "", WS_POPUP, at.x, at.y, layout.size.cx, layout.size.cy, owner,
                                nullptr, nullptr, nullptr);
    if (menu == nullptr) return 0;
    {
        std::lock_guard lock(TreeMutex());
        MenuState* s = stateOf(menu);
        s->items = items;
        s->lines = layout.lines;
    }
    ShowWindow(menu, SW_SHOWNOACTIVATE);
    // Every press comes to the menu, wherever it is (on another program's window too): one
    // outside it closes it.
    SetCapture(menu);
    runMenuLoop(menu, owner);
    UINT_PTR chosen = 0;
    {
        std::lock_guard lock(TreeMutex());
        if (MenuState* s = stateOf(menu)) chosen = s->chosen;
    }
    DestroyWindow(menu);
    return chosen;
}
