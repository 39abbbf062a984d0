// Input that waits while the program is busy: it goes where the messages handled before it leave
// it (capture, cursor confinement, key state), never where things stood when it came. A modal
// loop entered during a press ends that press first, and a loop run while input is being taken
// takes no input out of its order.
#include <gtest/gtest.h>

#include <functional>

#include "platform/user/CButton.h"
#include "platform/user/CDialog.h"
#include "platform/user/menu.h"
#include "tests/platform_user/user_test_support.h"

using namespace user_test;
using platform::user::input::Button;
namespace input = platform::user::input;

namespace {

// A pane that, as the thermal display does, keeps a left press to itself: it confines the cursor
// to itself, or takes the capture, until the release.
class PressKeepingPane : public RecordingWnd {
public:
    bool confines = true;
    bool ctrlAtPress = false;  // GetKeyState as the press was handled

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_LBUTTONDOWN) {
            ctrlAtPress = GetKeyState(VK_CONTROL) < 0;
            if (confines) {
                RECT r;
                GetWindowRect(&r);
                ClipCursor(&r);
            } else {
                SetCapture();
            }
        } else if (message == WM_LBUTTONUP) {
            if (confines) ClipCursor(nullptr);
            else ReleaseCapture();
        }
        return RecordingWnd::WindowProc(message, wParam, lParam);
    }
    // The x of each mouse move that reached the pane.
    std::vector<int> MoveXs() const
    {
        std::vector<int> xs;
        for (const Logged& l : log)
            if (l.message == WM_MOUSEMOVE) xs.push_back(GET_X_LPARAM(l.lParam));
        return xs;
    }
};

// The pane at (0, 0, 200, 200) of a top-level window, a check box beside it at (300, 0).
class InputOrderTest : public UserTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(top.CreateTop(0, 0, 400, 300));
        ASSERT_TRUE(pane.CreateChild(top, 0, 0, 200, 200));
        ASSERT_TRUE(box.Create("Rec", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, RECT{300, 0, 360, 40}, &top, 7));
        Pump();
    }
    int Clicks() const
    {
        int n = 0;
        for (const Logged& l : top.log)
            n += l.message == WM_COMMAND && HIWORD(l.wParam) == BN_CLICKED && LOWORD(l.wParam) == 7 ? 1 : 0;
        return n;
    }

    RecordingWnd top;
    PressKeepingPane pane;
    CButton box;
};

struct KeptPress {
    const char* name;
    bool confines;
};

void PrintTo(const KeptPress& k, std::ostream* out) { *out << k.name; }

class ClickBehindAKeptPress : public InputOrderTest, public ::testing::WithParamInterface<KeptPress> {};

TEST_P(ClickBehindAKeptPress, ReachesTheButtonWhenTakenLate)
{
    pane.confines = GetParam().confines;
    input::MouseMove(POINT{100, 100});
    input::MouseButton(POINT{100, 100}, Button::Left, true);
    Pump();
    // The program is busy while the user drags out of the pane, lets go and clicks the box.
    input::MouseMove(POINT{250, 100});
    input::MouseButton(POINT{250, 100}, Button::Left, false);
    input::MouseMove(POINT{330, 20});
    input::MouseButton(POINT{330, 20}, Button::Left, true);
    input::MouseButton(POINT{330, 20}, Button::Left, false);
    Pump();

    EXPECT_EQ(Clicks(), 1);
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
    EXPECT_EQ(pane.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(pane.Count(WM_LBUTTONUP), 1);
    // The drag out of the pane stays the pane's, kept inside it while it confines the cursor;
    // the move to the box is the box's.
    EXPECT_EQ(pane.MoveXs(), std::vector<int>({100, pane.confines ? 199 : 250}));
}

const KeptPress kKeptPresses[] = {
    {"Confined", true},
    {"Captured", false},
};

INSTANTIATE_TEST_SUITE_P(InputOrder, ClickBehindAKeptPress, ::testing::ValuesIn(kKeptPresses),
                         [](const ::testing::TestParamInfo<KeptPress>& info) { return std::string(info.param.name); });

// A dialog that ends as soon as it is made.
class ClosingDialog : public CDialog {
public:
    ClosingDialog() : CDialog(950u) {}
    BOOL OnInitDialog() override
    {
        EndDialog(IDOK);
        return TRUE;
    }
};

void Press(int key)
{
    input::Key(key, true);
    input::Key(key, false);
}

struct ModalLoop {
    const char* name;
    void (*run)(CWnd& owner);
};

const ModalLoop kModalLoops[] = {
    {"Menu",
     [](CWnd& owner) {
         Press(VK_ESCAPE);
         platform::user::ChooseMenuItem(owner.GetSafeHwnd(), {{MF_STRING, 1, "&Item"}}, POINT{50, 50});
     }},
    {"Dialog",
     [](CWnd&) {
         std::string error;
         ASSERT_TRUE(platform::user::RegisterDialogTemplateText("dialog 950\nstyle WS_POPUP\nsize 40 20\n", &error)) << error;
         ClosingDialog dialog;
         EXPECT_EQ(dialog.DoModal(), IDOK);
     }},
    {"MessageBox", [](CWnd& owner) { MessageBox(owner.GetSafeHwnd(), "text", "caption", MB_OK); }},
    {"WindowMove", [](CWnd& owner) { owner.SendMessage(WM_SYSCOMMAND, SC_MOVE, 0); }},
};

void PrintTo(const ModalLoop& l, std::ostream* out) { *out << l.name; }

class ModalLoopDuringAKeptPress : public InputOrderTest, public ::testing::WithParamInterface<std::tuple<ModalLoop, KeptPress>> {};

TEST_P(ModalLoopDuringAKeptPress, EndsThePressAndFreesTheMouse)
{
    const auto& [loop, kept] = GetParam();
    pane.confines = kept.confines;
    input::MouseMove(POINT{100, 100});
    input::MouseButton(POINT{100, 100}, Button::Left, true);
    Pump();
    ASSERT_TRUE(kept.confines || GetCapture() == pane.m_hWnd);
    loop.run(top);
    EXPECT_EQ(pane.Count(WM_CANCELMODE), 1);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(pane.Count(WM_CAPTURECHANGED), kept.confines ? 0 : 1);
    input::MouseMove(POINT{250, 120});
    Pump();
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 250) << "the cursor is free again";
}

INSTANTIATE_TEST_SUITE_P(InputOrder, ModalLoopDuringAKeptPress, ::testing::Combine(::testing::ValuesIn(kModalLoops), ::testing::ValuesIn(kKeptPresses)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
                         });

TEST_F(InputOrderTest, KeyStateAtAPressIsTheStateTheUserPressedIn)
{
    input::MouseMove(POINT{100, 100});
    input::Key(VK_CONTROL, true);
    input::MouseButton(POINT{100, 100}, Button::Left, true);
    input::Key(VK_CONTROL, false);
    input::MouseButton(POINT{100, 100}, Button::Left, false);
    Pump();
    EXPECT_TRUE(pane.ctrlAtPress);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
}

TEST_F(InputOrderTest, ThePointerIsHeldInsideTheConfinementOnlyWhileItsPressIsHeld)
{
    input::MouseMove(POINT{100, 100});
    input::MouseButton(POINT{100, 100}, Button::Left, true);
    Pump();
    POINT to{0, 0};
    input::MouseMove(POINT{250, 120});
    ASSERT_TRUE(input::PointerToHold(&to));
    EXPECT_EQ(to.x, 199);
    EXPECT_EQ(to.y, 120);
    EXPECT_FALSE(input::PointerToHold(&to)) << "the pointer is there already";

    // Let go and pressed again, all before the program takes the release.
    input::MouseMove(POINT{250, 130});
    input::MouseButton(POINT{250, 130}, Button::Left, false);
    EXPECT_FALSE(input::PointerToHold(&to));
    input::MouseMove(POINT{330, 20});
    input::MouseButton(POINT{330, 20}, Button::Left, true);
    input::MouseMove(POINT{340, 25});
    EXPECT_FALSE(input::PointerToHold(&to)) << "a later press is not held by the pane's confinement";
    input::MouseButton(POINT{340, 25}, Button::Left, false);
    Pump();
    EXPECT_EQ(Clicks(), 1);
}

// A window whose handler of one message sent while input is taken (a hit test, a cursor request,
// an activation) runs a message loop of its own, the first time it comes.
class LoopingWnd : public RecordingWnd {
public:
    UINT loopsAt = 0;
    std::function<void()> loop = Pump;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == loopsAt) {
            loopsAt = 0;
            loop();
        }
        return RecordingWnd::WindowProc(message, wParam, lParam);
    }
    // The mouse messages that reached the window, in order.
    std::vector<UINT> MouseMessages() const
    {
        std::vector<UINT> m;
        for (const Logged& l : log)
            if (l.message >= WM_MOUSEFIRST && l.message <= WM_MOUSELAST) m.push_back(l.message);
        return m;
    }
};

struct SentMessage {
    const char* name;
    UINT message;
};

void PrintTo(const SentMessage& s, std::ostream* out) { *out << s.name; }

// The looping window beside another one that is active, so that a press activates it.
class LoopingTest : public UserTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(other.CreateTop(300, 0, 100, 100));
        ASSERT_TRUE(w.CreateTop(0, 0, 200, 200));
        SetActiveWindow(other.m_hWnd);
        Pump();
    }

    RecordingWnd other;
    LoopingWnd w;
};

class LoopWhileInputIsTaken : public LoopingTest, public ::testing::WithParamInterface<SentMessage> {};

TEST_P(LoopWhileInputIsTaken, TakesNoInputOutOfItsOrder)
{
    w.loopsAt = GetParam().message;
    input::MouseMove(POINT{50, 50});
    input::MouseButton(POINT{50, 50}, Button::Left, true);
    input::MouseButton(POINT{50, 50}, Button::Left, false);
    Pump();
    EXPECT_EQ(w.loopsAt, 0u) << "the handler ran its loop";
    EXPECT_EQ(w.MouseMessages(), std::vector<UINT>({WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

const SentMessage kSentWhileTaken[] = {
    {"HitTest", WM_NCHITTEST},
    {"CursorRequest", WM_SETCURSOR},
    {"Activation", WM_ACTIVATE},
};

INSTANTIATE_TEST_SUITE_P(InputOrder, LoopWhileInputIsTaken, ::testing::ValuesIn(kSentWhileTaken),
                         [](const ::testing::TestParamInfo<SentMessage>& info) { return std::string(info.param.name); });

// A menu that could take no input ends all the same once its owner hides, some seconds on, and
// the test fails.
void HideOwner(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    KillTimer(hwnd, id);
    ShowWindow(hwnd, SW_HIDE);
}

// A modal loop entered there is another matter: the input record being taken is dropped, and the
// loop takes the input after it.
TEST_F(LoopingTest, AMenuOpenedByAnActivatingPressTakesTheInputAfterThatPressWhichIsDropped)
{
    UINT_PTR chosen = 0;
    w.loopsAt = WM_ACTIVATE;
    w.loop = [&] { chosen = platform::user::ChooseMenuItem(w.m_hWnd, {{MF_STRING, 7, "&Gamma"}}, POINT{10, 10}); };
    w.SetTimer(1, 30000, HideOwner);
    input::MouseMove(POINT{50, 50});
    input::MouseButton(POINT{50, 50}, Button::Left, true);
    input::MouseButton(POINT{50, 50}, Button::Left, false);
    Press('G');
    Pump();
    EXPECT_EQ(chosen, 7u);
    EXPECT_TRUE(w.IsWindowVisible()) << "the menu took no input";
    EXPECT_EQ(w.MouseMessages(), std::vector<UINT>({WM_MOUSEMOVE})) << "its release went to the menu";
    MessageBox(nullptr, "text", "caption", MB_OK);
    EXPECT_EQ(w.Count(WM_CANCELMODE), 0) << "the dropped press is no press held";
}

}  // namespace
