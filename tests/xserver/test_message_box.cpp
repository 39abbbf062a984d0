// The window layer's message box on a real X server, answered as a user answers one: a click on
// one of its buttons, Enter or Esc. It shows its text and buttons over its owner, which it
// disables while it runs and hands the activation back to after.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <string>

#include "platform/gdi/gdi.h"
#include "tests/platform_user/user_test_support.h"
#include "tests/xserver/ScreenTestSupport.h"
#include "tests/xserver/XServer.h"

namespace xserver_test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kCaption = "A question";
constexpr const char* kText = "The camera was unplugged.\nLook for it again?";

// The box's text, where the box shows it: anti-aliased letters in several shades.
const RECT kTextArea{12, 12, 160, 40};
bool TextShown(const Picture& box) { return DistinctColours(box, kTextArea) > 2; }

// What the test does once the box shows on the server with its text: run by a timer inside the
// box's loop. A box that never shows, or never ends, is ended some seconds on, and the test fails.
struct WhileShown {
    XServer* x = nullptr;
    void (*act)(XServer& x, HWND box, const ShownWindow& shown) = nullptr;
    Clock::time_point giveUp;
    bool acted = false;
    bool gaveUp = false;
    bool ownerDisabled = false;
    Picture shown;
};
WhileShown g_whileShown;

void WatchTheBox(HWND owner, UINT, UINT_PTR id, DWORD)
{
    WhileShown& s = g_whileShown;
    if (Clock::now() > s.giveUp) {
        KillTimer(owner, id);
        s.gaveUp = true;
        PostQuitMessage(0);
        return;
    }
    if (s.acted) return;
    for (const ShownWindow& w : s.x->Windows()) {
        if (w.title != kCaption) continue;
        s.shown = s.x->Grab(w.screen);
        if (!TextShown(s.shown)) return;
        s.acted = true;
        s.ownerDisabled = !IsWindowEnabled(owner);
        s.act(*s.x, GetActiveWindow(), w);
        return;
    }
}

// The middle of a button of the box on the screen.
POINT ButtonCentre(HWND box, int id)
{
    RECT r{};
    GetWindowRect(GetDlgItem(box, id), &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A key typed (with a modifier held, if any) with the pointer over the box: without a window
// manager the keyboard follows the pointer.
void TypeIn(XServer& x, const ShownWindow& shown, unsigned long keysym, unsigned long modifier = 0)
{
    x.MovePointer(POINT{(shown.screen.left + shown.screen.right) / 2, shown.screen.top + 5});
    if (modifier != 0) x.KeyWith(modifier, keysym);
    else x.Key(keysym);
}

struct Answer {
    const char* name;
    UINT type;
    void (*act)(XServer& x, HWND box, const ShownWindow& shown);
    int expected;
};

void PrintTo(const Answer& a, std::ostream* out) { *out << a.name; }

const Answer kAnswers[] = {
    {"ClickOnCancel", MB_OKCANCEL, [](XServer& x, HWND box, const ShownWindow&) { x.Click(ButtonCentre(box, IDCANCEL)); }, IDCANCEL},
    {"ClickOnNo", MB_YESNOCANCEL, [](XServer& x, HWND box, const ShownWindow&) { x.Click(ButtonCentre(box, IDNO)); }, IDNO},
    {"EnterChoosesTheDefault", MB_YESNO | MB_DEFBUTTON2, [](XServer& x, HWND, const ShownWindow& s) { TypeIn(x, s, XK_Return); }, IDNO},
    {"EscapeCancels", MB_YESNOCANCEL, [](XServer& x, HWND, const ShownWindow& s) { TypeIn(x, s, XK_Escape); }, IDCANCEL},
    {"EscapeOnALoneOk", MB_OK, [](XServer& x, HWND, const ShownWindow& s) { TypeIn(x, s, XK_Escape); }, IDOK},
    {"AltF4ClosesIt", MB_OKCANCEL, [](XServer& x, HWND, const ShownWindow& s) { TypeIn(x, s, XK_F4, XK_Alt_L); }, IDCANCEL},
};

class MessageBoxOnXServer : public ::testing::TestWithParam<Answer> {
protected:
    void SetUp() override
    {
        const std::string display = XServer::NamedDisplay();
        if (display.empty()) GTEST_SKIP() << "no X server named in VANTREL_XSERVER_DISPLAY: scripts/test starts one";
        std::string reason;
        ASSERT_TRUE(m_x.Open(display, &reason)) << reason;
        platform::gdi::InstallWindowBridge();
        ASSERT_TRUE(m_owner.CreateTop(300, 200, 600, 400, WS_POPUP | WS_CAPTION | WS_VISIBLE));
        m_owner.SetFocus();
        g_whileShown = WhileShown{&m_x};
    }
    void TearDown() override
    {
        if (m_owner.GetSafeHwnd()) m_owner.DestroyWindow();
    }

    XServer m_x;
    user_test::RecordingWnd m_owner;
};

TEST_P(MessageBoxOnXServer, AnswersAsItsUserDoesOverItsDisabledOwner)
{
    g_whileShown.act = GetParam().act;
    g_whileShown.giveUp = Clock::now() + 30s;
    m_owner.SetTimer(1, 50, WatchTheBox);
    const int answer = MessageBox(m_owner.GetSafeHwnd(), kText, kCaption, GetParam().type);
    m_owner.KillTimer(1);
    MSG quit;
    PeekMessage(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // left by a box given up on
    platform::user::WritePictureToPng(g_whileShown.shown, ArtefactPath(std::string("xserver-message-box-") + GetParam().name + ".png"));
    ASSERT_TRUE(g_whileShown.acted) << "the box never showed its text";
    EXPECT_FALSE(g_whileShown.gaveUp) << "the answer did not end the box";
    EXPECT_EQ(answer, GetParam().expected);
    EXPECT_TRUE(g_whileShown.ownerDisabled);
    EXPECT_TRUE(m_owner.IsWindowEnabled());
    EXPECT_EQ(GetActiveWindow(), m_owner.GetSafeHwnd());
}

INSTANTIATE_TEST_SUITE_P(Answers, MessageBoxOnXServer, ::testing::ValuesIn(kAnswers),
                         [](const ::testing::TestParamInfo<Answer>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace xserver_test
