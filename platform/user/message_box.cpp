// Message boxes: a dialog window of the layer's own, its text above a row of buttons, run modally
// over its owner as a dialog is. Enter chooses the default button; Esc, Alt+F4 or the close box
// choose Cancel, or OK where that is the only button. Its loop ends at WM_QUIT (a termination
// signal) as every loop of the layer does, which the display's own message boxes could not be made
// to do. Headless, where no one could answer, the default button is the answer at once.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/user/gdi_bridge.h"
#include "platform/user/input.h"
#include "platform/user/window.h"
#include "platform/user/window_tree.h"

namespace {

struct Choice {
    int id;
    const char* text;
};

std::vector<Choice> buttonsOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_YESNOCANCEL: return {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "Yes"}, {IDNO, "No"}};
    default: return {{IDOK, "OK"}};
    }
}

// The answer of Esc and of closing the box; 0 where neither ends it (Yes and No only).
int escapeOf(const std::vector<Choice>& buttons)
{
    if (buttons.size() == 1) return buttons[0].id;
    auto cancel = std::find_if(buttons.begin(), buttons.end(), [](const Choice& c) { return c.id == IDCANCEL; });
    return cancel == buttons.end() ? 0 : IDCANCEL;
}

constexpr int kMargin = 12;
constexpr int kGap = 14;  // between the text and the buttons
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kButtonSpacing = 8;

// The text's lines in the standard look's font, one above the other.
SIZE textSize(const std::string& text)
{
    const auto measure = platform::user::GetGdiBridge().measureControlText;
    SIZE size{0, 0};
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const SIZE s = measure ? measure(line) : SIZE{static_cast<LONG>(line.size()) * 8, 16};  // no drawing layer: a guess
        size.cx = std::max(size.cx, s.cx);
        size.cy += s.cy;
    }
    return size;
}

// What a box's window keeps while it runs (its GWLP_USERDATA).
struct Box {
    int escape = 0;
    int answer = 0;  // 0 until one is chosen
};

Box& boxOf(HWND hwnd) { return *reinterpret_cast<Box*>(GetWindowLong(hwnd, GWLP_USERDATA)); }

LRESULT boxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && lParam != 0) {
        boxOf(hwnd).answer = LOWORD(wParam);
        return 0;
    }
    if (message == WM_CLOSE) {
        boxOf(hwnd).answer = boxOf(hwnd).escape;
        return 0;
    }
    return CallClassWindowProc(hwnd, message, wParam, lParam);
}

// The box's window, hidden, centred on the owner (or the screen), with its text and buttons.
HWND makeBox(HWND owner, const std::string& text, const std::string& caption, const std::vector<Choice>& buttons,
             std::size_t defaultIndex, Box* box)
{
    const SIZE t = textSize(text);
    const int rowWidth = static_cast<int>(buttons.size()) * (kButtonWidth + kButtonSpacing) - kButtonSpacing;
    const int width = std::max<int>(t.cx, rowWidth) + 2 * kMargin;
    const int height = kMargin + t.cy + kGap + kButtonHeight + kMargin;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner) GetWindowRect(owner, &area);
    HWND hwnd = CreateWindowExA(0, "#32770", caption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2,
                                width, height, owner, nullptr, nullptr, nullptr);
    if (hwnd == nullptr) return nullptr;
    SetWindowLong(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
    platform::user::detail::SetWindowProc(hwnd, boxProc);
    CreateWindowExA(0, "Static", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, kMargin, kMargin, t.cx, t.cy, hwnd, nullptr,
                    nullptr, nullptr);
    int x = width - kMargin - rowWidth;
    for (std::size_t i = 0; i < buttons.size(); ++i, x += kButtonWidth + kButtonSpacing) {
        const DWORD kind = i == defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        CreateWindowExA(0, "Button", buttons[i].text, WS_CHILD | WS_VISIBLE | kind, x, height - kMargin - kButtonHeight, kButtonWidth,
                        kButtonHeight, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(buttons[i].id)), nullptr, nullptr);
    }
    return hwnd;
}

// Handles the thread's messages until the box has its answer; Enter and Esc in the box answer
// as its default button and as closing it do.
void runBox(HWND hwnd, int defaultId)
{
    Box& box = boxOf(hwnd);
    while (box.answer == 0) {
        MSG msg;
        if (!platform::user::TakeModalLoopMessage(&msg)) {
            box.answer = box.escape ? box.escape : defaultId;
            return;
        }
        if (msg.message == WM_KEYDOWN && (msg.hwnd == hwnd || IsChild(hwnd, msg.hwnd))) {
            if (msg.wParam == VK_RETURN) box.answer = defaultId;
            if (msg.wParam == VK_ESCAPE) box.answer = box.escape;
            if (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) continue;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

}  // namespace

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    platform::user::input::EnterModalLoop();
    const auto buttons = buttonsOf(type);
    const std::size_t defaultIndex = std::min<std::size_t>((type & MB_DEFMASK) >> 8, buttons.size() - 1);
    const int defaultId = buttons[defaultIndex].id;
    if (platform::user::detail::HostIsHeadless()) return defaultId;
    if (owner) owner = GetAncestor(owner, GA_ROOT);
    Box box{escapeOf(buttons)};
    HWND hwnd = makeBox(owner, text ? text : "", caption ? caption : "", buttons, defaultIndex, &box);
    if (hwnd == nullptr) return defaultId;
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(hwnd, SW_SHOW);
    SetFocus(GetDlgItem(hwnd, defaultId));
    runBox(hwnd, defaultId);
    ShowWindow(hwnd, SW_HIDE);
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
    DestroyWindow(hwnd);
    return box.answer;
}

int AfxMessageBox(LPCSTR text, UINT type, UINT)
{
    return MessageBox(GetActiveWindow(), text, "", type);
}
