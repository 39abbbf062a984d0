// Input that waits while the program is busy: it goes where the messages handled before it leave
// it (capture, cursor confinement, key state), never where things stood when it came.
#include <gtest/gtest.h>

#include "platform/user/CButton.h"
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

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == loopsAt) {
            loopsAt = 0;
            Pump();
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

class LoopWhileInputIsTaken : public UserTest, public ::testing::WithParamInterface<SentMessage> {};

TEST_P(LoopWhileInputIsTaken, TakesNoInputOutOfItsOrder)
{
    RecordingWnd other;
    LoopingWnd w;
    ASSERT_TRUE(other.CreateTop(300, 0, 100, 100));
    ASSERT_TRUE(w.CreateTop(0, 0, 200, 200));
    SetActiveWindow(other.m_hWnd);
    Pump();
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

}  // namespace
