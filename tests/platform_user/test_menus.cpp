// Popup menus and the system menu, driven as a user drives them: keys and the mouse while the
// menu's own message loop runs (a timer acts once the menu is open).
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/user/menu.h"
#include "platform/user/window_manager.h"
#include "tests/platform_user/user_test_support.h"

using namespace user_test;
using platform::user::input::Button;
namespace input = platform::user::input;

namespace {

constexpr UINT_PTR kAlpha = 101, kBeta = 102, kGamma = 103;
const std::vector<platform::user::MenuItem> kItems = {{MF_STRING, kAlpha, "&Alpha"},
                                                      {MF_SEPARATOR, 0, ""},
                                                      {MF_STRING | MF_GRAYED, kBeta, "&Beta"},
                                                      {MF_STRING, kGamma, "&Gamma"}};

void Press(int key)
{
    input::Key(key, true);
    input::Key(key, false);
}

void AltSpace()
{
    input::Key(VK_MENU, true);
    Press(VK_SPACE);
    input::Key(VK_MENU, false);
}

// What the test does once a menu is open: run by a timer inside the menu's message loop.
std::function<void()> g_whileOpen;
void RunWhileOpen(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    KillTimer(hwnd, id);
    auto act = std::move(g_whileOpen);
    g_whileOpen = nullptr;
    if (act) act();
}

// A menu that a faulty layer would leave open ends all the same once its owner hides, some
// seconds on, and the test fails.
constexpr UINT_PTR kGiveUpTimer = 2;
bool g_gaveUp = false;
void GiveUp(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    KillTimer(hwnd, id);
    g_gaveUp = true;
    ShowWindow(hwnd, SW_HIDE);
}

class MenuFixture : public UserTest {
protected:
    void GiveUpOn(CWnd& owner)
    {
        g_gaveUp = false;
        owner.SetTimer(kGiveUpTimer, 10000, GiveUp);
    }
    void TearDown() override
    {
        EXPECT_FALSE(g_gaveUp) << "the menu did not close by itself";
        g_whileOpen = nullptr;
        UserTest::TearDown();
    }
};

// The menu window lying at a screen point, or null.
HWND MenuAt(POINT p)
{
    HWND w = WindowFromPoint(p);
    return w && (GetWindowLong(w, GWL_EXSTYLE) & WS_EX_NOACTIVATE) ? w : nullptr;
}

RECT RectOf(HWND w)
{
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}

void Click(POINT p)
{
    input::MouseMove(p);
    input::MouseButton(p, Button::Left, true);
    input::MouseButton(p, Button::Left, false);
}

class MenuTest : public MenuFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(owner.CreateTop(0, 0, 400, 300));
        owner.SetFocus();
        GiveUpOn(owner);
    }
    // Opens the menu at the point; act (if any) runs once it is open.
    UINT_PTR Choose(POINT at, std::function<void()> act = nullptr)
    {
        if (act) {
            g_whileOpen = std::move(act);
            owner.SetTimer(1, 10, RunWhileOpen);
        }
        return platform::user::ChooseMenuItem(owner.GetSafeHwnd(), kItems, at);
    }
    RecordingWnd owner;
};

struct KeyCase {
    const char* name;
    std::vector<int> keys;
    UINT_PTR chosen;
};
class MenuKeyTest : public MenuTest, public ::testing::WithParamInterface<KeyCase> {};

// The keys are queued before the menu opens, for the window that has the focus, as keys typed
// ahead are: the menu takes them all the same.
TEST_P(MenuKeyTest, KeysChooseOnlyItemsThatCanBeChosen)
{
    for (int key : GetParam().keys) Press(key);
    EXPECT_EQ(Choose(POINT{50, 50}), GetParam().chosen);
    Pump();
    EXPECT_EQ(owner.Count(WM_KEYDOWN), 0) << "the menu's keys reach no other window";
    EXPECT_EQ(MenuAt(POINT{55, 55}), nullptr) << "the menu is gone";
}
INSTANTIATE_TEST_SUITE_P(
    Keys, MenuKeyTest,
    ::testing::Values(KeyCase{"Letter", {'G'}, kGamma}, KeyCase{"GreyedLetter", {'B', VK_ESCAPE}, 0},
                      KeyCase{"DownSkipsTheSeparatorAndGreyedItems", {VK_DOWN, VK_DOWN, VK_RETURN}, kGamma},
                      KeyCase{"DownFromNothing", {VK_DOWN, VK_RETURN}, kAlpha},
                      KeyCase{"UpFromNothingWraps", {VK_UP, VK_RETURN}, kGamma},
                      KeyCase{"DownWraps", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, kAlpha},
                      KeyCase{"EnterWithNothingHighlighted", {VK_RETURN, VK_ESCAPE}, 0}, KeyCase{"Escape", {VK_ESCAPE}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuTest, OpensAtThePointAboveItsOwnerWithoutTakingActivation)
{
    RECT shown{};
    bool above = false;
    HWND activeWhileOpen = nullptr;
    const UINT_PTR chosen = Choose(POINT{50, 40}, [&] {
        HWND menu = MenuAt(POINT{52, 42});
        above = menu != nullptr;
        shown = RectOf(menu);
        Click(POINT{shown.left, shown.top});  // on its frame, where nothing is chosen
        activeWhileOpen = GetActiveWindow();
        Press(VK_ESCAPE);
    });
    EXPECT_EQ(chosen, 0u);
    EXPECT_TRUE(above);
    EXPECT_EQ(shown.left, 50);
    EXPECT_EQ(shown.top, 40);
    EXPECT_GT(shown.bottom - shown.top, 20);
    EXPECT_EQ(activeWhileOpen, owner.GetSafeHwnd());
}

TEST_F(MenuTest, NearTheScreensCornerItIsMovedInWhole)
{
    const LONG right = GetSystemMetrics(SM_CXSCREEN), bottom = GetSystemMetrics(SM_CYSCREEN);
    RECT shown{};
    Choose(POINT{right - 5, bottom - 5}, [&] {
        shown = RectOf(MenuAt(POINT{right - 2, bottom - 2}));
        Press(VK_ESCAPE);
    });
    EXPECT_EQ(shown.right, right);
    EXPECT_EQ(shown.bottom, bottom);
    EXPECT_GT(shown.right - shown.left, 20);
}

struct ClickCase {
    const char* name;
    int fromTop;  // where the click lands: this far below the menu's top (negative: from its bottom)
    UINT_PTR chosen;
};
class MenuClickTest : public MenuTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(MenuClickTest, AClickChoosesTheItemUnderIt)
{
    const UINT_PTR chosen = Choose(POINT{50, 50}, [&] {
        const RECT r = RectOf(MenuAt(POINT{52, 52}));
        const int fromTop = GetParam().fromTop;
        Click(POINT{r.left + 30, fromTop >= 0 ? r.top + fromTop : r.bottom + fromTop});
        Press(VK_ESCAPE);  // in case the click chose nothing
    });
    EXPECT_EQ(chosen, GetParam().chosen);
}
INSTANTIATE_TEST_SUITE_P(Items, MenuClickTest,
                         ::testing::Values(ClickCase{"First", 6, kAlpha}, ClickCase{"Last", -6, kGamma},
                                           ClickCase{"OnTheFrame", 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// What closes the menu with nothing chosen, and takes no other action: a press outside it,
// wherever it goes (the display brings every press to the program while the menu is open), and
// the program losing the keyboard.
struct CloseCase {
    const char* name;
    void (*act)();
};
class MenuCloseTest : public MenuTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(MenuCloseTest, ClosesWithNothingChosenAndPressesNothingElse)
{
    const UINT_PTR chosen = Choose(POINT{50, 50}, GetParam().act);
    Pump();
    EXPECT_EQ(chosen, 0u);
    EXPECT_EQ(owner.Count(WM_LBUTTONDOWN), 0);
}
INSTANTIATE_TEST_SUITE_P(
    Closing, MenuCloseTest,
    ::testing::Values(CloseCase{"APressOnItsOwner", [] { Click(POINT{300, 250}); }},
                      CloseCase{"APressWhereNoWindowOfTheProgramIs",
                                [] { Click(POINT{GetSystemMetrics(SM_CXSCREEN) - 10, GetSystemMetrics(SM_CYSCREEN) - 10}); }},
                      CloseCase{"TheProgramLosingTheKeyboard", [] { platform::user::window_manager::Deactivated(); }}),
    [](const auto& info) { return std::string(info.param.name); });

class SystemMenuTest : public MenuFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(w.CreateTop(40, 30, 300, 200));
        CMenu* menu = w.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, 0x10, "关于 Pelmor IR(&A)...");
        w.SetFocus();
        GiveUpOn(w);
    }
    // The command the window was sent after the system menu opened; 0 for none.
    UINT_PTR CommandChosen() const
    {
        const Logged* last = w.Last(WM_SYSCOMMAND);
        return last && (last->wParam & 0xFFF0) != SC_KEYMENU ? last->wParam : 0;
    }

    RecordingWnd w;
};

TEST_F(SystemMenuTest, AltSpaceOpensItAtTheWindowsCornerAndALetterSendsItsCommand)
{
    RECT shown{};
    g_whileOpen = [&] {
        shown = RectOf(MenuAt(POINT{42, 32}));
        Press('A');
    };
    AltSpace();
    w.SetTimer(1, 10, RunWhileOpen);
    Pump();
    EXPECT_EQ(shown.left, 40);
    EXPECT_EQ(shown.top, 30);
    EXPECT_EQ(CommandChosen(), 0x10u);
}

TEST_F(SystemMenuTest, ARightClickOnTheCaptionOpensItAtTheMouse)
{
    w.hitTest = HTCAPTION;
    RECT shown{};
    g_whileOpen = [&] {
        shown = RectOf(MenuAt(POINT{122, 82}));
        Press(VK_ESCAPE);
    };
    input::MouseMove(POINT{120, 80});
    input::MouseButton(POINT{120, 80}, Button::Right, true);
    input::MouseButton(POINT{120, 80}, Button::Right, false);
    w.SetTimer(1, 10, RunWhileOpen);
    Pump();
    EXPECT_EQ(shown.left, 120);
    EXPECT_EQ(shown.top, 80);
    EXPECT_EQ(CommandChosen(), 0u);
}

struct StateCase {
    const char* name;
    DWORD boxes;  // the title bar's boxes in the window's style
    int show;
    int key;
    UINT_PTR command;  // 0: the item is greyed
};
class SystemMenuStateTest : public SystemMenuTest, public ::testing::WithParamInterface<StateCase> {};

constexpr DWORD kBothBoxes = WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

TEST_P(SystemMenuStateTest, ItemsThatDoNotApplyToTheStyleOrShowStateAreGreyed)
{
    SetWindowLong(w.m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(w.GetStyle() | GetParam().boxes));
    w.ShowWindow(GetParam().show);
    w.SetFocus();
    AltSpace();
    Press(GetParam().key);
    Press(VK_ESCAPE);
    Pump();
    EXPECT_EQ(CommandChosen(), GetParam().command);
}
INSTANTIATE_TEST_SUITE_P(
    States, SystemMenuStateTest,
    ::testing::Values(StateCase{"RestoreOfANormalWindow", kBothBoxes, SW_SHOWNORMAL, 'R', 0},
                      StateCase{"RestoreOfAMaximisedOne", kBothBoxes, SW_SHOWMAXIMIZED, 'R', SC_RESTORE},
                      StateCase{"RestoreOfAMaximisedOneWithoutBoxes", 0, SW_SHOWMAXIMIZED, 'R', SC_RESTORE},
                      StateCase{"MaximiseOfANormalWindow", kBothBoxes, SW_SHOWNORMAL, 'X', SC_MAXIMIZE},
                      StateCase{"MaximiseOfAMaximisedOne", kBothBoxes, SW_SHOWMAXIMIZED, 'X', 0},
                      StateCase{"MaximiseWithoutItsBox", WS_MINIMIZEBOX, SW_SHOWNORMAL, 'X', 0},
                      StateCase{"MoveOfAMaximisedOne", kBothBoxes, SW_SHOWMAXIMIZED, 'M', 0},
                      StateCase{"MinimiseOfANormalWindow", kBothBoxes, SW_SHOWNORMAL, 'N', SC_MINIMIZE},
                      StateCase{"MinimiseWithoutItsBox", WS_MAXIMIZEBOX, SW_SHOWNORMAL, 'N', 0},
                      StateCase{"Close", 0, SW_SHOWMAXIMIZED, 'C', SC_CLOSE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SystemMenuTest, MoveLetsTheWindowFollowTheMouseUntilAClick)
{
    input::MouseMove(POINT{100, 100});
    AltSpace();
    Press('M');
    Pump();
    ASSERT_EQ(CommandChosen(), SC_MOVE);
    input::MouseMove(POINT{130, 120});
    Click(POINT{150, 130});
    input::MouseMove(POINT{300, 300});
    Pump();
    const RECT r = RectOf(w.GetSafeHwnd());
    EXPECT_EQ(r.left, 90);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(w.Count(WM_LBUTTONDOWN), 0) << "the click that ends the move is no press on the window";
}

}  // namespace
