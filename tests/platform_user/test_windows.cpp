#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "platform/kernel/clock.h"
#include "platform/user/CButton.h"
#include "platform/user/CDialog.h"
#include "platform/user/CStatic.h"
#include "platform/user/gdi_bridge.h"
#include "platform/user/window_manager.h"
#include "tests/platform_user/user_test_support.h"

using namespace user_test;
using platform::user::input::Button;
namespace input = platform::user::input;
namespace window_manager = platform::user::window_manager;

namespace {

class WindowTest : public UserTest {};

TEST_F(WindowTest, CreationSendsItsMessagesInOrderAndPaintsOnce)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(10, 20, 200, 100));
    EXPECT_TRUE(InOrder(w.Messages(), {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}));
    const Logged* size = w.Last(WM_SIZE);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(GET_X_LPARAM(size->lParam), 200);
    EXPECT_EQ(GET_Y_LPARAM(size->lParam), 100);
    EXPECT_EQ(w.Count(WM_PAINT), 0);  // painting waits for the loop
    Pump();
    EXPECT_EQ(w.Count(WM_PAINT), 1);
    Pump();
    EXPECT_EQ(w.Count(WM_PAINT), 1);  // a validated window is not painted again
}

TEST_F(WindowTest, FailedCreateLeavesNoWindow)
{
    RecordingWnd w;
    w.createResult = -1;
    EXPECT_FALSE(w.CreateTop(0, 0, 50, 50));
    EXPECT_EQ(w.m_hWnd, nullptr);
    EXPECT_EQ(w.Count(WM_DESTROY), 1);
    EXPECT_EQ(w.Count(WM_NCDESTROY), 1);
}

TEST_F(WindowTest, ResizeSendsSizeReallocatesTheSurfaceAndRepaints)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(0, 0, 100, 80));
    Pump();
    w.log.clear();
    w.MoveWindow(5, 6, 300, 120);
    const Logged* size = w.Last(WM_SIZE);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->wParam, SIZE_RESTORED);
    EXPECT_EQ(GET_X_LPARAM(size->lParam), 300);
    EXPECT_EQ(w.Count(WM_MOVE), 1);
    auto* s = platform::user::GetWindowSurface(w.m_hWnd);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->width, 300);
    EXPECT_EQ(s->height, 120);
    EXPECT_EQ(s->stride, 1200);
    Pump();
    EXPECT_EQ(w.Count(WM_PAINT), 1);
    w.log.clear();
    w.MoveWindow(5, 6, 300, 120);  // the same rectangle changes nothing
    EXPECT_EQ(w.Count(WM_SIZE), 0);
}

TEST_F(WindowTest, ShowStatesWorkWithoutAWindowManager)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(40, 30, 200, 100));
    w.ShowWindow(SW_SHOWMAXIMIZED);
    EXPECT_TRUE(w.IsZoomed());
    RECT c;
    w.GetClientRect(&c);
    EXPECT_EQ(c.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(c.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(w.Last(WM_SIZE)->wParam, SIZE_MAXIMIZED);

    w.ShowWindow(SW_SHOWMINIMIZED);
    EXPECT_TRUE(w.IsIconic());
    EXPECT_FALSE(w.IsZoomed());
    EXPECT_EQ(w.Last(WM_SIZE)->wParam, SIZE_MINIMIZED);

    w.ShowWindow(SW_SHOWDEFAULT);
    EXPECT_FALSE(w.IsIconic());
    EXPECT_FALSE(w.IsZoomed());
    RECT r;
    w.GetWindowRect(&r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.right - r.left, 200);

    Pump();
    w.ShowWindow(SW_HIDE);
    EXPECT_FALSE(w.IsWindowVisible());
    w.Invalidate();
    w.log.clear();
    Pump();
    EXPECT_EQ(w.Count(WM_PAINT), 0);  // hidden windows are not painted
    w.ShowWindow(SW_SHOW);
    Pump();
    EXPECT_EQ(w.Count(WM_PAINT), 1);
}

// What the window manager does to a top-level window on its own: the window takes the state and
// is told of it as Windows tells it, where the window manager put it; the echo of the program's
// own change tells it nothing more.
struct ManagerCase {
    const char* name;
    std::vector<int> shows;  // the program's own show commands first
    void (*act)(HWND);
    bool iconic;
    bool zoomed;
    int sizeKind;  // of the WM_SIZE the window is sent; -1: none
};
class WindowManagerTest : public UserTest, public ::testing::WithParamInterface<ManagerCase> {};

TEST_P(WindowManagerTest, TheWindowTakesTheStateWhereItIs)
{
    const ManagerCase& c = GetParam();
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(40, 30, 200, 100));
    for (int show : c.shows) w.ShowWindow(show);
    RECT before, after;
    w.GetWindowRect(&before);
    w.log.clear();
    c.act(w.m_hWnd);
    EXPECT_EQ(w.IsIconic() != FALSE, c.iconic);
    EXPECT_EQ(w.IsZoomed() != FALSE, c.zoomed);
    const Logged* size = w.Last(WM_SIZE);
    if (c.sizeKind < 0) {
        EXPECT_EQ(size, nullptr);
    } else {
        ASSERT_NE(size, nullptr);
        EXPECT_EQ(size->wParam, static_cast<WPARAM>(c.sizeKind));
    }
    w.GetWindowRect(&after);
    EXPECT_EQ(std::tie(before.left, before.top, before.right, before.bottom), std::tie(after.left, after.top, after.right, after.bottom))
        << "the window manager places the window itself";
}
INSTANTIATE_TEST_SUITE_P(
    Changes, WindowManagerTest,
    ::testing::Values(
        ManagerCase{"MinimisesAMaximisedWindow", {SW_SHOWMAXIMIZED}, window_manager::Minimized, true, false, SIZE_MINIMIZED},
        ManagerCase{"BringsBackMaximisedWhatTheProgramMinimised", {SW_SHOWMAXIMIZED, SW_SHOWMINIMIZED}, window_manager::Unminimized,
                    false, true, SIZE_MAXIMIZED},
        ManagerCase{"BringsBackARestoredWindow", {SW_SHOWNORMAL, SW_SHOWMINIMIZED}, window_manager::Unminimized, false, false,
                    SIZE_RESTORED},
        ManagerCase{"Maximises", {SW_SHOWNORMAL}, window_manager::Maximized, false, true, SIZE_MAXIMIZED},
        ManagerCase{"RestoresAMaximisedWindow", {SW_SHOWMAXIMIZED}, window_manager::Unmaximized, false, false, SIZE_RESTORED},
        ManagerCase{"EchoOfTheProgramsMinimise", {SW_SHOWMINIMIZED}, window_manager::Minimized, true, false, -1},
        ManagerCase{"EchoOfTheProgramsRestore", {SW_SHOWMINIMIZED, SW_RESTORE}, window_manager::Unminimized, false, false, -1},
        ManagerCase{"EchoOfTheProgramsMaximise", {SW_SHOWMAXIMIZED}, window_manager::Maximized, false, true, -1},
        ManagerCase{"NothingForAHiddenWindow", {SW_HIDE}, window_manager::Minimized, false, false, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, TheWindowManagerDeactivatesTheProgramAndActivatesAnEnabledWindow)
{
    RecordingWnd first, second;
    ASSERT_TRUE(first.CreateTop(0, 0, 100, 100));
    ASSERT_TRUE(second.CreateTop(200, 0, 100, 100));
    ASSERT_EQ(GetActiveWindow(), second.m_hWnd);
    second.log.clear();
    window_manager::Deactivated();
    EXPECT_EQ(GetActiveWindow(), nullptr);
    ASSERT_NE(second.Last(WM_NCACTIVATE), nullptr);
    EXPECT_EQ(second.Last(WM_NCACTIVATE)->wParam, static_cast<WPARAM>(FALSE));
    ASSERT_NE(second.Last(WM_ACTIVATE), nullptr);
    EXPECT_EQ(LOWORD(second.Last(WM_ACTIVATE)->wParam), WA_INACTIVE);

    window_manager::Activated(first.m_hWnd);
    EXPECT_EQ(GetActiveWindow(), first.m_hWnd);
    ASSERT_NE(first.Last(WM_ACTIVATE), nullptr);
    EXPECT_EQ(LOWORD(first.Last(WM_ACTIVATE)->wParam), WA_ACTIVE);

    second.EnableWindow(FALSE);  // as under a modal dialog of its own
    window_manager::Activated(second.m_hWnd);
    EXPECT_EQ(GetActiveWindow(), first.m_hWnd);
}

TEST_F(WindowTest, HiddenParentHidesChildren)
{
    RecordingWnd parent, child;
    ASSERT_TRUE(parent.CreateTop(0, 0, 100, 100));
    ASSERT_TRUE(child.CreateChild(parent, 10, 10, 20, 20));
    EXPECT_TRUE(child.IsWindowVisible());
    parent.ShowWindow(SW_HIDE);
    EXPECT_FALSE(child.IsWindowVisible());
    EXPECT_TRUE(child.GetStyle() & WS_VISIBLE);
}

TEST_F(WindowTest, DestroyOrderAndDeadHandles)
{
    RecordingWnd parent, child;
    ASSERT_TRUE(parent.CreateTop(0, 0, 100, 100));
    ASSERT_TRUE(child.CreateChild(parent, 0, 0, 10, 10));
    HWND p = parent.m_hWnd, c = child.m_hWnd;
    std::vector<std::pair<HWND, UINT>> order;
    ASSERT_TRUE(PostMessage(c, WM_USER + 1, 0, 0));
    parent.log.clear();
    child.log.clear();
    ASSERT_TRUE(::DestroyWindow(p));
    EXPECT_EQ(parent.Count(WM_DESTROY), 1);
    EXPECT_EQ(child.Count(WM_DESTROY), 1);
    EXPECT_FALSE(IsWindow(p));
    EXPECT_FALSE(IsWindow(c));
    EXPECT_EQ(parent.m_hWnd, nullptr);
    EXPECT_EQ(child.m_hWnd, nullptr);
    Pump();
    EXPECT_EQ(child.Count(WM_USER + 1), 0);  // queued before the destruction, dropped with it
    EXPECT_FALSE(PostMessage(c, WM_USER + 1, 0, 0));
    EXPECT_EQ(SendMessage(c, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_FALSE(::DestroyWindow(c));
    EXPECT_FALSE(ShowWindow(c, SW_SHOW));
    EXPECT_FALSE(InvalidateRect(c, nullptr, TRUE));
    RECT r;
    EXPECT_FALSE(GetClientRect(c, &r));
}

TEST_F(WindowTest, DestroyMessagesGoParentFirstThenChildFirst)
{
    struct Order : RecordingWnd {
        std::vector<std::string>* out;
        std::string name;
        LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override
        {
            if (m == WM_DESTROY) out->push_back(name + ".destroy");
            if (m == WM_NCDESTROY) out->push_back(name + ".ncdestroy");
            return RecordingWnd::WindowProc(m, w, l);
        }
    };
    std::vector<std::string> out;
    Order parent, child;
    parent.out = child.out = &out;
    parent.name = "p";
    child.name = "c";
    ASSERT_TRUE(parent.CreateTop(0, 0, 100, 100));
    ASSERT_TRUE(child.CreateChild(parent, 0, 0, 10, 10));
    parent.DestroyWindow();
    EXPECT_EQ(out, (std::vector<std::string>{"p.destroy", "c.destroy", "c.ncdestroy", "p.ncdestroy"}));
}

TEST_F(WindowTest, UpdateRegionCollectsInvalidationsUntilTaken)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(0, 0, 100, 100));
    Pump();
    RECT a{10, 10, 20, 20}, b{30, 5, 40, 15};
    w.InvalidateRect(&a, FALSE);
    w.InvalidateRect(&b, FALSE);
    RECT u;
    ASSERT_TRUE(GetUpdateRect(w.m_hWnd, &u, FALSE));
    EXPECT_EQ(u.left, 10);
    EXPECT_EQ(u.top, 5);
    EXPECT_EQ(u.right, 40);
    EXPECT_EQ(u.bottom, 20);
    BOOL erase = TRUE;
    ASSERT_TRUE(platform::user::TakeUpdateRegion(w.m_hWnd, &u, &erase));
    EXPECT_FALSE(erase);
    EXPECT_FALSE(platform::user::TakeUpdateRegion(w.m_hWnd, &u, &erase));

    RECT outside{200, 200, 300, 300};
    w.InvalidateRect(&outside, TRUE);  // clipped to the client area: nothing to paint
    EXPECT_FALSE(GetUpdateRect(w.m_hWnd, &u, FALSE));
    w.Invalidate(TRUE);
    ValidateRect(w.m_hWnd, nullptr);
    EXPECT_FALSE(GetUpdateRect(w.m_hWnd, &u, FALSE));
    w.Invalidate(TRUE);
    w.log.clear();
    w.UpdateWindow();
    EXPECT_EQ(w.Count(WM_PAINT), 1);  // at once, not through the queue
}

// A window that asks for its next paint while painting, as a live picture does.
class RestlessWnd : public RecordingWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const LRESULT result = RecordingWnd::WindowProc(message, wParam, lParam);
        if (message == WM_PAINT) Invalidate(FALSE);
        return result;
    }
};

TEST_F(WindowTest, TheWindowWaitingLongestPaintsFirstSoARestlessOneStarvesNoOther)
{
    RecordingWnd top, later;
    RestlessWnd restless;
    ASSERT_TRUE(top.CreateTop(0, 0, 200, 100));
    ASSERT_TRUE(restless.CreateChild(top, 0, 0, 100, 100, 1));
    ASSERT_TRUE(later.CreateChild(top, 100, 0, 100, 100, 2));
    // Paints one message at a time, as a loop that also has other work would.
    auto paintOnce = [] {
        MSG msg;
        ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
        DispatchMessage(&msg);
    };
    for (int i = 0; i < 3; ++i) paintOnce();  // the first paints of all three
    later.log.clear();
    restless.log.clear();
    later.Invalidate(FALSE);
    // The restless window is always waiting, and it comes first in the tree; still the other is
    // painted within two paints.
    paintOnce();
    paintOnce();
    EXPECT_EQ(later.Count(WM_PAINT), 1);
    EXPECT_EQ(restless.Count(WM_PAINT), 1);
}

TEST_F(WindowTest, TimersRepeatUntilKilledAndDieWithTheirWindow)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
    ASSERT_EQ(w.SetTimer(7, 10), 7u);
    MSG msg;
    int ticks = 0;
    while (ticks < 3 && GetMessage(&msg, nullptr, 0, 0)) {
        DispatchMessage(&msg);
        if (msg.message == WM_TIMER && msg.hwnd == w.m_hWnd) {
            EXPECT_EQ(msg.wParam, 7u);
            ++ticks;
        }
    }
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(w.KillTimer(7));
    EXPECT_FALSE(w.KillTimer(7));
    Sleep(30);
    w.log.clear();
    Pump();
    EXPECT_EQ(w.Count(WM_TIMER), 0);

    w.SetTimer(8, 10);
    w.DestroyWindow();
    Sleep(30);
    Pump();  // a timer of a destroyed window fires no more
    EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(0x12345), 1, 10, nullptr), 0u);
}

TEST_F(WindowTest, CaptureTakesTheMouseFromTheWindowUnderIt)
{
    RecordingWnd parent, a, b;
    ASSERT_TRUE(parent.CreateTop(100, 100, 300, 200));
    ASSERT_TRUE(a.CreateChild(parent, 0, 0, 100, 100, 1));
    ASSERT_TRUE(b.CreateChild(parent, 150, 0, 100, 100, 2));
    a.SetCapture();
    EXPECT_EQ(GetCapture(), a.m_hWnd);
    input::MouseMove(POINT{100 + 160, 100 + 10});
    Pump();
    const Logged* m = a.Last(WM_MOUSEMOVE);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GET_X_LPARAM(m->lParam), 160);  // a's client coordinates, outside a
    EXPECT_EQ(b.Count(WM_MOUSEMOVE), 0);
    ReleaseCapture();
    EXPECT_EQ(a.Count(WM_CAPTURECHANGED), 1);
    input::MouseMove(POINT{100 + 161, 100 + 10});
    Pump();
    ASSERT_NE(b.Last(WM_MOUSEMOVE), nullptr);
    EXPECT_EQ(GET_X_LPARAM(b.Last(WM_MOUSEMOVE)->lParam), 11);
}

TEST_F(WindowTest, APressOnAChildActivatesItsTopLevelWindow)
{
    RecordingWnd first, second, child;
    ASSERT_TRUE(first.CreateTop(0, 0, 200, 150));
    ASSERT_TRUE(second.CreateTop(300, 0, 200, 150));
    ASSERT_TRUE(child.CreateChild(second, 20, 20, 100, 100));
    SetActiveWindow(first.m_hWnd);
    second.log.clear();
    child.log.clear();
    input::MouseMove(POINT{350, 50});
    input::MouseButton(POINT{350, 50}, Button::Left, true);
    input::MouseButton(POINT{350, 50}, Button::Left, false);
    Pump();
    EXPECT_EQ(GetActiveWindow(), second.m_hWnd);
    const Logged* activated = second.Last(WM_ACTIVATE);
    ASSERT_NE(activated, nullptr);
    EXPECT_EQ(LOWORD(activated->wParam), WA_ACTIVE);
    EXPECT_EQ(child.Count(WM_ACTIVATE), 0) << "a child is never the active window";
    EXPECT_EQ(child.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(second.Count(WM_LBUTTONDOWN), 0);
}

TEST_F(WindowTest, CursorConfinementClampsTheCursor)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(0, 0, 400, 300));
    RECT r{50, 60, 150, 160};
    ClipCursor(&r);
    input::MouseMove(POINT{300, 10});
    Pump();
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 149);
    EXPECT_EQ(p.y, 60);
    ASSERT_NE(w.Last(WM_MOUSEMOVE), nullptr);
    EXPECT_EQ(GET_X_LPARAM(w.Last(WM_MOUSEMOVE)->lParam), 149);
    ClipCursor(nullptr);
    input::MouseMove(POINT{300, 10});
    Pump();
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 300);
}

TEST_F(WindowTest, DraggingByCaptionMovesTheWindow)
{
    RecordingWnd w;
    w.hitTest = HTCAPTION;
    ASSERT_TRUE(w.CreateTop(100, 100, 200, 150));
    input::MouseMove(POINT{150, 150});
    input::MouseButton(POINT{150, 150}, Button::Left, true);
    Pump();
    EXPECT_EQ(w.Count(WM_LBUTTONDOWN), 0);  // a caption press is not a client press
    input::MouseMove(POINT{180, 170});
    input::MouseMove(POINT{210, 190});
    input::MouseButton(POINT{210, 190}, Button::Left, false);
    input::MouseMove(POINT{400, 400});
    Pump();
    RECT r;
    w.GetWindowRect(&r);
    EXPECT_EQ(r.left, 160);
    EXPECT_EQ(r.top, 140);
    EXPECT_EQ(r.right - r.left, 200);
}

TEST_F(WindowTest, MaximisedWindowIsNotDragged)
{
    RecordingWnd w;
    w.hitTest = HTCAPTION;
    ASSERT_TRUE(w.CreateTop(100, 100, 200, 150));
    w.ShowWindow(SW_SHOWMAXIMIZED);
    RECT before;
    w.GetWindowRect(&before);
    input::MouseButton(POINT{150, 150}, Button::Left, true);
    Pump();
    input::MouseMove(POINT{200, 200});
    input::MouseButton(POINT{200, 200}, Button::Left, false);
    Pump();
    RECT after;
    w.GetWindowRect(&after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

TEST_F(WindowTest, PlainStaticLetsHitTestsThroughAndNotifyingStaticDoesNot)
{
    RecordingWnd w;
    w.hitTest = HTCAPTION;
    ASSERT_TRUE(w.CreateTop(0, 0, 200, 100));
    CStatic plain, notify;
    ASSERT_TRUE(plain.Create("title", WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 30}, &w, 10));
    ASSERT_TRUE(notify.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, RECT{150, 0, 180, 30}, &w, 11));
    int hit = 0;
    EXPECT_EQ(input::WindowAtScreenPoint(POINT{50, 10}, &hit), w.m_hWnd);
    EXPECT_EQ(hit, HTCAPTION);
    EXPECT_EQ(input::WindowAtScreenPoint(POINT{160, 10}, &hit), notify.m_hWnd);
    EXPECT_EQ(hit, HTCLIENT);
}

TEST_F(WindowTest, MouseLeaveIsPostedOnceWhenTheCursorLeaves)
{
    RecordingWnd parent, child;
    ASSERT_TRUE(parent.CreateTop(0, 0, 200, 100));
    ASSERT_TRUE(child.CreateChild(parent, 0, 0, 50, 50));
    input::MouseMove(POINT{10, 10});
    Pump();
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, child.m_hWnd, HOVER_DEFAULT};
    ASSERT_TRUE(TrackMouseEvent(&t));
    input::MouseMove(POINT{20, 20});
    Pump();
    EXPECT_EQ(child.Count(WM_MOUSELEAVE), 0);
    input::MouseMove(POINT{100, 20});
    input::MouseMove(POINT{120, 20});
    Pump();
    EXPECT_EQ(child.Count(WM_MOUSELEAVE), 1);
}

TEST_F(WindowTest, KeyStateFollowsTheKeysTakenAndKeysGoToTheFocus)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
    w.SetFocus();
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
    input::Key(VK_CONTROL, true);
    EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0) << "the key is not taken yet";
    Pump();
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    input::Key('R', true);
    input::Key('R', false);
    input::Key(VK_CONTROL, false);
    EXPECT_GE(GetAsyncKeyState(VK_CONTROL), 0);
    Pump();
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
    ASSERT_NE(w.Last(WM_KEYDOWN), nullptr);
    EXPECT_EQ(w.Last(WM_KEYDOWN)->wParam, static_cast<WPARAM>('R'));
}

// A control of a class that records the mouse presses reaching it.
class PressRecorder : public RecordingWnd {
public:
    BOOL CreateOf(CWnd& parent, LPCSTR className, DWORD style)
    {
        return Create(className, "", WS_CHILD | WS_VISIBLE | style, RECT{0, 0, 100, 100}, &parent, 7);
    }
};

struct QuickClicks {
    LPCSTR className;
    DWORD style;
    Button button;
    UINT press, doubleClick;
    bool wantsDoubleClicks;
};

class QuickClickTest : public UserTest, public ::testing::WithParamInterface<QuickClicks> {};

const BOOL kQuickClickClass = platform::user::RegisterWindowClass("QuickClickWanted", CS_DBLCLKS, nullptr);

TEST_P(QuickClickTest, SecondQuickPressIsADoubleClickOnlyForClassesThatAskForIt)
{
    const QuickClicks& c = GetParam();
    RecordingWnd top;
    ASSERT_TRUE(top.CreateTop(0, 0, 100, 100));
    PressRecorder w;
    ASSERT_TRUE(w.CreateOf(top, c.className, c.style));
    // Three quick clicks within the double-click distance: the second ends a pair, the third
    // begins a new one.
    for (int x : {10, 12, 14}) {
        input::MouseButton(POINT{x, 10}, c.button, true);
        input::MouseButton(POINT{x, 10}, c.button, false);
    }
    Pump();
    EXPECT_EQ(w.Count(c.press), c.wantsDoubleClicks ? 2 : 3);
    EXPECT_EQ(w.Count(c.doubleClick), c.wantsDoubleClicks ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    ByClass, QuickClickTest,
    ::testing::Values(QuickClicks{nullptr, 0, Button::Left, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, false},
                      QuickClicks{"SomeUnregisteredClass", 0, Button::Right, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, false},
                      QuickClicks{"QuickClickWanted", 0, Button::Left, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, true},
                      QuickClicks{"Button", BS_OWNERDRAW, Button::Left, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, true},
                      QuickClicks{"Static", SS_NOTIFY, Button::Left, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, true},
                      QuickClicks{"static", SS_NOTIFY, Button::Right, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, true},
                      QuickClicks{"ComboBox", CBS_DROPDOWNLIST, Button::Left, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, true}));

TEST_F(WindowTest, DistantSecondPressIsNoDoubleClick)
{
    RecordingWnd top;
    ASSERT_TRUE(top.CreateTop(0, 0, 100, 100));
    PressRecorder w;
    ASSERT_TRUE(w.CreateOf(top, "Button", BS_OWNERDRAW));
    for (int x : {10, 30}) {
        input::MouseButton(POINT{x, 10}, Button::Left, true);
        input::MouseButton(POINT{x, 10}, Button::Left, false);
    }
    Pump();
    EXPECT_EQ(w.Count(WM_LBUTTONDOWN), 2);
    EXPECT_EQ(w.Count(WM_LBUTTONDBLCLK), 0);
}

TEST(WindowClass, ANameIsRegisteredOnceAndBuiltInNamesAreTaken)
{
    ASSERT_TRUE(kQuickClickClass);
    EXPECT_FALSE(platform::user::RegisterWindowClass("quickclickwanted", 0, nullptr));
    EXPECT_FALSE(platform::user::RegisterWindowClass("BUTTON", 0, nullptr));
    EXPECT_FALSE(platform::user::RegisterWindowClass("", 0, nullptr));
    EXPECT_FALSE(platform::user::RegisterWindowClass(nullptr, 0, nullptr));
}

TEST_F(WindowTest, WheelGoesToTheParentWhenTheChildLeavesIt)
{
    RecordingWnd parent, child;
    ASSERT_TRUE(parent.CreateTop(0, 0, 200, 100));
    ASSERT_TRUE(child.CreateChild(parent, 0, 0, 50, 50));
    input::MouseWheel(POINT{10, 10}, WHEEL_DELTA);
    Pump();
    ASSERT_NE(child.Last(WM_MOUSEWHEEL), nullptr);
    ASSERT_NE(parent.Last(WM_MOUSEWHEEL), nullptr);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(parent.Last(WM_MOUSEWHEEL)->wParam), WHEEL_DELTA);
}

// ---- message maps, reflection and owner drawing ----

class OwnerButton : public CButton {
public:
    std::vector<UINT> states;
    int reflected = 0;
    void DrawItem(LPDRAWITEMSTRUCT dis) override
    {
        EXPECT_EQ(dis->CtlType, ODT_BUTTON);
        EXPECT_EQ(dis->hwndItem, m_hWnd);
        states.push_back(dis->itemState);
    }
    BOOL OnClicked()
    {
        ++reflected;
        return FALSE;  // the parent hears of the click too
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(OwnerButton, CButton)
ON_CONTROL_REFLECT_EX(BN_CLICKED, &OwnerButton::OnClicked)
END_MESSAGE_MAP()

class ButtonParent : public RecordingWnd {
public:
    std::vector<std::string> order;
    OwnerButton* button = nullptr;
    void OnButton()
    {
        order.push_back(button->reflected ? "parent after reflection" : "parent first");
    }
    void OnRange(UINT id) { lastRange = id; }
    UINT lastRange = 0;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ButtonParent, RecordingWnd)
ON_BN_CLICKED(3000, &ButtonParent::OnButton)
ON_COMMAND_RANGE(3001, 3024, &ButtonParent::OnRange)
END_MESSAGE_MAP()

TEST_F(WindowTest, OwnerDrawnButtonIsDrawnPressedAndReportsClicksReflectedFirst)
{
    ButtonParent parent;
    OwnerButton button;
    parent.button = &button;
    ASSERT_TRUE(parent.CreateTop(0, 0, 200, 100));
    ASSERT_TRUE(button.Create("Go", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{10, 10, 60, 40}, &parent, 3000));
    Pump();
    ASSERT_EQ(button.states.size(), 1u);
    EXPECT_EQ(button.states[0] & ODS_SELECTED, 0u);
    input::MouseButton(POINT{20, 20}, Button::Left, true);
    Pump();
    ASSERT_GE(button.states.size(), 2u);
    EXPECT_NE(button.states.back() & ODS_SELECTED, 0u);
    input::MouseButton(POINT{20, 20}, Button::Left, false);
    Pump();
    EXPECT_EQ(button.reflected, 1);
    EXPECT_EQ(parent.order, std::vector<std::string>{"parent after reflection"});
    EXPECT_EQ(button.states.back() & ODS_SELECTED, 0u);

    // Releasing outside the button is no click.
    input::MouseButton(POINT{20, 20}, Button::Left, true);
    input::MouseMove(POINT{150, 80});
    input::MouseButton(POINT{150, 80}, Button::Left, false);
    Pump();
    EXPECT_EQ(button.reflected, 1);

    ::SendMessage(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(3017, BN_CLICKED), 0);
    EXPECT_EQ(parent.lastRange, 3017u);
}

TEST_F(WindowTest, CheckBoxStateIsKeptOnlyForCheckBoxes)
{
    RecordingWnd parent;
    ASSERT_TRUE(parent.CreateTop(0, 0, 200, 100));
    CButton push, check;
    ASSERT_TRUE(push.Create("p", WS_CHILD | WS_VISIBLE, RECT{0, 0, 20, 20}, &parent, 1));
    ASSERT_TRUE(check.Create("c", WS_CHILD | WS_VISIBLE | BS_CHECKBOX, RECT{30, 0, 50, 20}, &parent, 2));
    push.SetCheck(1);
    check.SetCheck(1);
    EXPECT_EQ(push.GetCheck(), 0);
    EXPECT_EQ(check.GetCheck(), 1);
}

class Preset : public CStatic {
public:
    void PreSubclassWindow() override { ModifyStyle(0, SS_OWNERDRAW); }
    int draws = 0;
    void DrawItem(LPDRAWITEMSTRUCT dis) override
    {
        EXPECT_EQ(dis->CtlType, ODT_STATIC);
        ++draws;
    }
};

TEST_F(WindowTest, PreSubclassWindowRunsBeforeTheFirstPaint)
{
    RecordingWnd parent;
    ASSERT_TRUE(parent.CreateTop(0, 0, 100, 100));
    Preset light;
    ASSERT_TRUE(light.Create("x", WS_CHILD | WS_VISIBLE, RECT{0, 0, 50, 20}, &parent, 5));
    EXPECT_EQ(light.GetStyle() & SS_TYPEMASK, static_cast<DWORD>(SS_OWNERDRAW));
    Pump();
    EXPECT_EQ(light.draws, 1);
    light.SetWindowText("y");
    Pump();
    EXPECT_EQ(light.draws, 2);
    CString text;
    light.GetWindowText(text);
    EXPECT_EQ(text, "y");
}

TEST_F(WindowTest, IconsAreSetThroughTheirMessageAndKeptApart)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(0, 0, 100, 100));
    const auto big = reinterpret_cast<HICON>(0x1230), small = reinterpret_cast<HICON>(0x4560);
    EXPECT_EQ(w.SetIcon(big, TRUE), nullptr);
    EXPECT_EQ(w.SetIcon(small, FALSE), nullptr);
    EXPECT_EQ(w.Count(WM_SETICON), 2);
    EXPECT_EQ(w.GetIcon(TRUE), big);
    EXPECT_EQ(w.GetIcon(FALSE), small);
    EXPECT_EQ(w.SetIcon(small, TRUE), big) << "the icon it replaces";
}

struct BoxCase {
    UINT type;
    int expected;
};
class MessageBoxTest : public ::testing::TestWithParam<BoxCase> {};
TEST_P(MessageBoxTest, HeadlessReturnsTheDefaultButtonAtOnce)
{
    EXPECT_EQ(MessageBox(nullptr, "text", "caption", GetParam().type), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Buttons, MessageBoxTest,
                         ::testing::Values(BoxCase{MB_OK, IDOK}, BoxCase{MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
                                           BoxCase{MB_YESNO, IDYES}, BoxCase{MB_YESNO | MB_DEFBUTTON2, IDNO},
                                           BoxCase{MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
                                           BoxCase{MB_OK | MB_DEFBUTTON3, IDOK}));

// ---- presentation while messages keep coming ----

std::vector<HWND> g_presented;
void RecordPresent(HWND top) { g_presented.push_back(top); }

class PresentTest : public UserTest {
protected:
    void SetUp() override
    {
        g_presented.clear();
        platform::user::SetPresentObserver(RecordPresent);
    }
    void TearDown() override
    {
        platform::user::SetPresentObserver(nullptr);
        UserTest::TearDown();
    }
    static int PresentsOf(HWND top) { return static_cast<int>(std::count(g_presented.begin(), g_presented.end(), top)); }
};

// Paints slowly for ever, as a 3D scene does: every paint takes a while, draws a new picture and
// asks for the next paint at once, so a paint is always waiting.
class EndlessPainter : public RecordingWnd {
public:
    int paints = 0;
    int paintsWanted = 6;
    std::vector<int> presentsAtPaint;  // presents of this window seen as each paint began

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_PAINT) return RecordingWnd::WindowProc(message, wParam, lParam);
        presentsAtPaint.push_back(static_cast<int>(std::count(g_presented.begin(), g_presented.end(), m_hWnd)));
        platform::user::TakeUpdateRegion(m_hWnd, nullptr, nullptr);
        Sleep(25);
        Fill(m_hWnd, 0xFF000000u | static_cast<std::uint32_t>(++paints) * 0x010203u);
        if (paints < paintsWanted) Invalidate(FALSE);
        return 0;
    }
};

TEST_F(PresentTest, EachPictureIsPresentedBeforeTheNextSlowPaintBegins)
{
    EndlessPainter w;
    ASSERT_TRUE(w.CreateTop(0, 0, 60, 40));
    Pump();
    ASSERT_EQ(w.paints, w.paintsWanted);
    for (int i = 1; i < w.paints; ++i) EXPECT_GE(w.presentsAtPaint[i], i) << "paint " << i << " began before paint " << i - 1 << " was shown";
    EXPECT_GE(PresentsOf(w.m_hWnd), w.paints);
}

// Draws straight into its surface at every message it gets and posts itself the next one, so
// that the queue never runs empty.
class BusyDrawer : public RecordingWnd {
public:
    static constexpr UINT kBusy = WM_USER + 11;
    int draws = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != kBusy) return RecordingWnd::WindowProc(message, wParam, lParam);
        Fill(m_hWnd, 0xFF000000u | static_cast<std::uint32_t>(++draws));
        PostMessage(kBusy);
        return 0;
    }
};

TEST_F(PresentTest, ChangesAreShownWhileTheQueueNeverRunsEmpty)
{
    BusyDrawer w;
    ASSERT_TRUE(w.CreateTop(0, 0, 60, 40));
    Pump();
    const int before = PresentsOf(w.m_hWnd);
    w.PostMessage(BusyDrawer::kBusy);
    MSG msg{};
    bool ranEmpty = false;
    const DWORD start = GetTickCount();
    while (PresentsOf(w.m_hWnd) < before + 3 && GetTickCount() - start < 10000) {
        ranEmpty = ranEmpty || !PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
        DispatchMessage(&msg);
    }
    EXPECT_FALSE(ranEmpty);
    EXPECT_GE(PresentsOf(w.m_hWnd), before + 3);
    w.DestroyWindow();
    Pump();
}

// ---- composition ----

TEST_F(WindowTest, CompositionLaysVisibleChildrenOverTheirParentClipped)
{
    RecordingWnd parent, child, hidden, grandchild;
    ASSERT_TRUE(parent.CreateTop(0, 0, 60, 40));
    ASSERT_TRUE(child.CreateChild(parent, 50, 10, 20, 20, 1));  // sticks out to the right
    ASSERT_TRUE(hidden.CreateChild(parent, 0, 0, 10, 10, 2, WS_CHILD));
    ASSERT_TRUE(grandchild.CreateChild(child, 2, 2, 4, 4, 3));
    Pump();
    Fill(parent.m_hWnd, 0xFFFF0000u);
    Fill(child.m_hWnd, 0xFF0000FFu);
    Fill(hidden.m_hWnd, 0xFF00FF00u);
    Fill(grandchild.m_hWnd, 0x80000000u);  // half transparent black
    platform::user::Picture pic;
    ASSERT_TRUE(platform::user::RenderWindow(parent.m_hWnd, &pic));
    ASSERT_EQ(pic.width, 60);
    ASSERT_EQ(pic.height, 40);
    EXPECT_EQ(pic.at(5, 5), 0xFFFF0000u);    // the hidden child is skipped
    EXPECT_EQ(pic.at(55, 20), 0xFF0000FFu);  // the child
    EXPECT_EQ(pic.at(53, 13), 0xFF00007Fu);  // half black over blue
    EXPECT_EQ(pic.at(49, 20), 0xFFFF0000u);

    const char* tmp = std::getenv("VANTREL_TEST_TMP");
    std::string dir = tmp ? tmp : "/tmp";
    std::string cmd = "mkdir -p '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::string path = dir + "/composed.png";
    ASSERT_TRUE(platform::user::RenderWindowToPng(parent.m_hWnd, path));
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 60);
    auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(png));
    int stride = cairo_image_surface_get_stride(png) / 4;
    EXPECT_EQ(data[20 * stride + 55], 0xFF0000FFu);
    cairo_surface_destroy(png);

    EXPECT_FALSE(platform::user::RenderWindowToPng(parent.m_hWnd, "/nonexistent-dir/x.png"));
    EXPECT_FALSE(platform::user::RenderWindow(reinterpret_cast<HWND>(0x99), &pic));
}

TEST_F(WindowTest, PublishedPixelsAreConvertedAndFlipped)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(0, 0, 2, 2));
    // Two rows, bottom row first as OpenGL reads them: bottom red, top green (half alpha).
    std::uint8_t rgba[] = {255, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 128, 0, 255, 0, 128};
    ASSERT_TRUE(platform::user::WriteSurfacePixels(w.m_hWnd, rgba, 2, 2, 8, true, true));
    auto* s = platform::user::GetWindowSurface(w.m_hWnd);
    EXPECT_EQ(s->row(0)[0], 0x80008000u);  // premultiplied green on top
    EXPECT_EQ(s->row(1)[1], 0xFFFF0000u);
    EXPECT_FALSE(platform::user::WriteSurfacePixels(reinterpret_cast<HWND>(0x99), rgba, 2, 2, 8, true, true));
}

}  // namespace

namespace {

class CursorWnd : public RecordingWnd {
public:
    BOOL OnSetCursor(CWnd*, UINT hit, UINT)
    {
        lastHit = hit;
        SetCursor(LoadCursor(nullptr, GetKeyState(VK_CONTROL) < 0 ? IDC_HAND : IDC_CROSS));
        return TRUE;
    }
    UINT lastHit = 0;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CursorWnd, RecordingWnd)
ON_WM_SETCURSOR()
END_MESSAGE_MAP()

TEST_F(WindowTest, SetCursorIsAskedOnEveryMoveOverTheWindow)
{
    CursorWnd w;
    ASSERT_TRUE(w.CreateTop(300, 300, 50, 50));
    input::MouseMove(POINT{310, 310});
    Pump();
    EXPECT_EQ(w.lastHit, static_cast<UINT>(HTCLIENT));
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_CROSS));
    input::Key(VK_CONTROL, true);
    input::MouseMove(POINT{311, 310});
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
    input::Key(VK_CONTROL, false);
    Pump();
    EXPECT_EQ(LoadCursor(nullptr, "no such cursor"), nullptr);
}

// A drawing layer stand-in: brushes are colours, DCs are the window handles.
bool fakeBrushColor(HBRUSH brush, COLORREF* color)
{
    if (reinterpret_cast<UINT_PTR>(brush) == 1) return false;  // the hollow brush
    *color = static_cast<COLORREF>(reinterpret_cast<UINT_PTR>(brush) >> 8);
    return true;
}
HDC fakeGetDC(HWND hwnd) { return reinterpret_cast<HDC>(hwnd); }
void fakeReleaseDC(HWND, HDC) {}

class ColouredDialog : public CDialog {
public:
    ColouredDialog() : CDialog(902u) {}
    UINT_PTR brush = 0;
    HBRUSH OnCtlColor(CDC*, CWnd*, UINT kind)
    {
        kinds.push_back(kind);
        return reinterpret_cast<HBRUSH>(brush);
    }
    std::vector<UINT> kinds;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ColouredDialog, CDialog)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

TEST_F(WindowTest, DialogErasesWithTheBrushItsCtlColorGives)
{
    ASSERT_TRUE(platform::user::RegisterDialogTemplateText("dialog 902\nstyle WS_POPUP\nsize 40 16\n"));
    platform::user::GdiBridge bridge;
    bridge.solidBrushColor = fakeBrushColor;
    bridge.getWindowDC = fakeGetDC;
    bridge.releaseWindowDC = fakeReleaseDC;
    platform::user::SetGdiBridge(bridge);
    ColouredDialog d;
    ASSERT_TRUE(d.Create(902u));
    d.brush = static_cast<UINT_PTR>(RGB(1, 12, 21)) << 8;
    CallClassWindowProc(d.m_hWnd, WM_ERASEBKGND, 0, 0);
    ASSERT_EQ(d.kinds, std::vector<UINT>{CTLCOLOR_DLG});
    EXPECT_EQ(platform::user::GetWindowSurface(d.m_hWnd)->row(3)[3], platform::user::OpaquePixel(RGB(1, 12, 21)));
    d.brush = 1;
    Fill(d.m_hWnd, 0xFF123456u);
    CallClassWindowProc(d.m_hWnd, WM_ERASEBKGND, 0, 0);
    EXPECT_EQ(platform::user::GetWindowSurface(d.m_hWnd)->row(3)[3], 0xFF123456u);  // a hollow brush erases nothing
    platform::user::SetGdiBridge(platform::user::GdiBridge{});
    d.DestroyWindow();
}

TEST_F(WindowTest, OwnerDrawRequestCarriesTheDrawingLayersDC)
{
    platform::user::GdiBridge bridge;
    bridge.getWindowDC = fakeGetDC;
    bridge.releaseWindowDC = fakeReleaseDC;
    platform::user::SetGdiBridge(bridge);
    struct DcButton : CButton {
        HDC seen = nullptr;
        void DrawItem(LPDRAWITEMSTRUCT dis) override { seen = dis->hDC; }
    };
    RecordingWnd parent;
    ASSERT_TRUE(parent.CreateTop(0, 0, 100, 100));
    DcButton b;
    ASSERT_TRUE(b.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{0, 0, 10, 10}, &parent, 9));
    Pump();
    EXPECT_EQ(b.seen, reinterpret_cast<HDC>(b.m_hWnd));
    platform::user::SetGdiBridge(platform::user::GdiBridge{});
}

namespace icon_loader {
int calls = 0;
HICON Fake(LPCSTR name)
{
    ++calls;
    return IS_INTRESOURCE(name) && reinterpret_cast<UINT_PTR>(name) == 7 ? reinterpret_cast<HICON>(&calls) : nullptr;
}
}  // namespace icon_loader

TEST(LoadIcon, ProgramIconsGoToTheLoaderOnce)
{
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(7)), nullptr);  // no loader yet
    platform::user::SetIconLoader(icon_loader::Fake);
    icon_loader::calls = 0;
    HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(7));
    EXPECT_EQ(icon, reinterpret_cast<HICON>(&icon_loader::calls));
    EXPECT_EQ(LoadIcon(reinterpret_cast<HINSTANCE>(&icon_loader::calls), MAKEINTRESOURCE(7)), icon);
    EXPECT_EQ(icon_loader::calls, 1);
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(8)), nullptr);
    EXPECT_EQ(LoadIcon(nullptr, nullptr), nullptr);
    // The standard application icon stays the layer's own.
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(32512)), reinterpret_cast<HICON>(static_cast<UINT_PTR>(32512)));
    EXPECT_EQ(icon_loader::calls, 2);
    platform::user::SetIconLoader(nullptr);
}

}  // namespace
