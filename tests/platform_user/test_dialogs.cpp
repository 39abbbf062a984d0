#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

#include "platform/user/CDialog.h"
#include "platform/user/CStatic.h"
#include "platform/user/CWinApp.h"
#include "tests/platform_user/user_test_support.h"

using namespace user_test;
namespace input = platform::user::input;

namespace {

constexpr const char* kCurveLike = R"(# a pop-up with one static control
dialog 123
style WS_POPUP | WS_BORDER | WS_SYSMENU | DS_SETFONT
size 297 149
font 9 "MS Shell Dlg"
control Static 1016 30 23 265 125 SS_LEFT "plot \"area\""
)";

constexpr const char* kOuter = "dialog 900\nstyle 0x90880048\nexstyle WS_EX_APPWINDOW\nsize 200 100\nfont 9 \"MS Shell Dlg\"\n";
constexpr const char* kInner = "dialog 901\nstyle WS_POPUP | WS_BORDER\nsize 100 50\ncaption \"inner\"\nfont 9 \"MS Shell Dlg\"\n"
                               "control Button 1 5 5 40 14 WS_VISIBLE \"OK\"\n";

class DialogTest : public UserTest {
protected:
    void SetUp() override
    {
        for (const char* t : {kCurveLike, kOuter, kInner}) {
            std::string error;
            ASSERT_TRUE(platform::user::RegisterDialogTemplateText(t, &error)) << error;
        }
    }
};

TEST_F(DialogTest, TemplateTextIsParsed)
{
    platform::user::DialogTemplate t;
    std::string error;
    ASSERT_TRUE(platform::user::ParseDialogTemplate(kCurveLike, &t, &error)) << error;
    EXPECT_EQ(t.id, 123u);
    EXPECT_EQ(t.style, WS_POPUP | WS_BORDER | WS_SYSMENU | DS_SETFONT);
    EXPECT_EQ(t.cx, 297);
    EXPECT_EQ(t.faceName, "MS Shell Dlg");
    ASSERT_EQ(t.controls.size(), 1u);
    EXPECT_EQ(t.controls[0].className, "Static");
    EXPECT_EQ(t.controls[0].id, 1016);
    EXPECT_EQ(t.controls[0].cy, 125);
    EXPECT_EQ(t.controls[0].text, "plot \"area\"");
    EXPECT_TRUE(t.controls[0].style & WS_CHILD);

    ASSERT_TRUE(platform::user::ParseDialogTemplate(kOuter, &t, &error)) << error;
    EXPECT_EQ(t.style, 0x90880048u);
    EXPECT_EQ(t.exStyle, WS_EX_APPWINDOW);
}

struct BadTemplate {
    const char* text;
    const char* why;
};
class BadTemplateTest : public ::testing::TestWithParam<BadTemplate> {};
TEST_P(BadTemplateTest, IsRefusedWithAReason)
{
    platform::user::DialogTemplate t;
    std::string error;
    EXPECT_FALSE(platform::user::ParseDialogTemplate(GetParam().text, &t, &error)) << GetParam().why;
    EXPECT_FALSE(error.empty());
}
INSTANTIATE_TEST_SUITE_P(
    Cases, BadTemplateTest,
    ::testing::Values(BadTemplate{"", "empty"}, BadTemplate{"size 10 10\n", "no id"}, BadTemplate{"dialog 5\n", "no size"},
                      BadTemplate{"dialog 0\nsize 1 1\n", "id 0"}, BadTemplate{"dialog 70000\nsize 1 1\n", "id too large"},
                      BadTemplate{"dialog 5\nsize 1 1\nstyle WS_NOPE\n", "unknown flag"},
                      BadTemplate{"dialog 5\nsize 1 1\nstyle WS_POPUP |\n", "dangling bar"},
                      BadTemplate{"dialog 5\nsize 1 1\ncontrol Static 1 0 0 5 5 NOT \"\"\n", "NOT of nothing"},
                      BadTemplate{"dialog 5\nsize 1 1\ncontrol Static 1 0 0 5 5 NOT WS_NOPE \"\"\n", "NOT of an unknown flag"},
                      BadTemplate{"dialog 5\nsize 1 1\ncaption \"open\n", "unclosed text"},
                      BadTemplate{"dialog 5\nsize 1 1\ncontrol Static 1 0 0 5\n", "short rectangle"},
                      BadTemplate{"dialog 5\nsize 1 1\ncontrol Static 1 0 0 5 -5 0 \"\"\n", "negative size"},
                      BadTemplate{"dialog 5\nsize 1 1\nfont 0 \"x\"\n", "zero points"},
                      BadTemplate{"dialog 5\nsize 1 1 1\n", "trailing text"},
                      BadTemplate{"dialog 5\nsize 1 1\nwindow\n", "unknown statement"}));

struct ControlVisibility {
    const char* name;
    const char* flags;
    bool visible;
};
class ControlVisibilityTest : public ::testing::TestWithParam<ControlVisibility> {};
TEST_P(ControlVisibilityTest, AControlIsAVisibleChildUnlessItsStyleHidesIt)
{
    const std::string text = std::string("dialog 5\nsize 10 10\ncontrol Static 1 0 0 5 5 ") + GetParam().flags + " \"\"\n";
    platform::user::DialogTemplate t;
    std::string error;
    ASSERT_TRUE(platform::user::ParseDialogTemplate(text, &t, &error)) << error;
    ASSERT_EQ(t.controls.size(), 1u);
    EXPECT_EQ((t.controls[0].style & WS_VISIBLE) != 0, GetParam().visible);
    EXPECT_TRUE(t.controls[0].style & WS_CHILD);
}
INSTANTIATE_TEST_SUITE_P(Styles, ControlVisibilityTest,
                         ::testing::Values(ControlVisibility{"Text", "SS_LEFT", true}, ControlVisibility{"Icon", "SS_ICON", true},
                                           ControlVisibility{"SaidVisible", "WS_VISIBLE | SS_NOTIFY", true},
                                           ControlVisibility{"Hidden", "SS_LEFT | NOT WS_VISIBLE", false},
                                           ControlVisibility{"HiddenFirst", "NOT WS_VISIBLE | WS_TABSTOP", false},
                                           ControlVisibility{"HiddenAfterAll", "WS_VISIBLE | NOT WS_VISIBLE", false}),
                         [](const auto& info) { return std::string(info.param.name); });

class BoundDialog : public CDialog {
public:
    BoundDialog() : CDialog(123u) {}
    CStatic plot;
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, 1016, plot); }
};

TEST_F(DialogTest, ModelessCreateBuildsControlsAndBindsThem)
{
    RecordingWnd owner;
    ASSERT_TRUE(owner.CreateTop(0, 0, 800, 600));
    BoundDialog d;
    ASSERT_TRUE(d.Create(123u, &owner));
    ASSERT_NE(d.plot.m_hWnd, nullptr);
    EXPECT_EQ(d.plot.GetDlgCtrlID(), 1016);
    EXPECT_FALSE(d.IsWindowVisible());  // the template has no WS_VISIBLE
    RECT r;
    d.plot.GetWindowRect(&r);
    EXPECT_EQ(r.right - r.left, 265 * 7 / 4);
    d.ShowWindow(SW_SHOW);
    EXPECT_TRUE(d.plot.IsWindowVisible()) << "a control of a template is visible unless its style hides it";
    d.EndDialog(IDCANCEL);  // a modeless dialog is hidden, not destroyed
    EXPECT_TRUE(IsWindow(d.m_hWnd));
    EXPECT_FALSE(d.IsWindowVisible());
    HWND h = d.m_hWnd;
    d.DestroyWindow();
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(DialogTest, ADialogThatPaintsNothingItselfShowsItsBackground)
{
    CDialog d(901u);
    ASSERT_TRUE(d.Create(901u, nullptr));
    d.ShowWindow(SW_SHOW);
    platform::user::Picture p;
    ASSERT_TRUE(platform::user::RenderWindow(d.GetSafeHwnd(), &p));
    ASSERT_GT(p.width, 60);
    EXPECT_EQ(p.at(p.width - 5, p.height - 5), platform::user::OpaquePixel(GetSysColor(COLOR_BTNFACE)));
    d.DestroyWindow();
}

TEST_F(DialogTest, MissingTemplateGivesMinusOne)
{
    CDialog d(4242u);
    EXPECT_EQ(d.DoModal(), -1);
    EXPECT_EQ(d.m_hWnd, nullptr);
}

constexpr UINT kStartInner = WM_USER + 7;

class InnerDialog : public CDialog {
public:
    InnerDialog(CWnd* parent) : CDialog(901u, parent) {}
    bool parentWasDisabled = false;
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        parentWasDisabled = !m_pParentWnd->IsWindowEnabled();
        // The user presses the OK button of the shown dialog.
        ShowWindow(SW_SHOW);
        CWnd* ok = GetDlgItem(IDOK);
        RECT r;
        ok->GetWindowRect(&r);
        input::MouseButton(POINT{r.left + 2, r.top + 2}, input::Button::Left, true);
        input::MouseButton(POINT{r.left + 2, r.top + 2}, input::Button::Left, false);
        return TRUE;
    }
};

class OuterDialog : public CDialog {
public:
    OuterDialog() : CDialog(900u) {}
    INT_PTR innerResult = 0;
    bool innerParentDisabled = false;
    bool enabledAgain = false;
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        PostMessage(kStartInner);
        return TRUE;
    }
    LRESULT OnStartInner(WPARAM, LPARAM)
    {
        InnerDialog inner(this);
        innerResult = inner.DoModal();
        innerParentDisabled = inner.parentWasDisabled;
        enabledAgain = IsWindowEnabled() != FALSE;
        EndDialog(55);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(OuterDialog, CDialog)
ON_MESSAGE(kStartInner, &OuterDialog::OnStartInner)
END_MESSAGE_MAP()

TEST_F(DialogTest, ModalLoopsNestAndEachReturnsItsResult)
{
    OuterDialog outer;
    EXPECT_EQ(outer.DoModal(), 55);
    EXPECT_EQ(outer.innerResult, IDOK);
    EXPECT_TRUE(outer.innerParentDisabled);
    EXPECT_TRUE(outer.enabledAgain);
    EXPECT_EQ(outer.m_hWnd, nullptr);  // DoModal destroys the window at the end
}

class MaximisedDialog : public CDialog {
public:
    MaximisedDialog() : CDialog(900u) {}
    bool zoomedInLoop = false;
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        ShowWindow(SW_SHOWMAXIMIZED);
        PostMessage(kStartInner);
        return TRUE;
    }
    LRESULT OnStarted(WPARAM, LPARAM)
    {
        zoomedInLoop = IsZoomed() != FALSE;
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(MaximisedDialog, CDialog)
ON_MESSAGE(kStartInner, &MaximisedDialog::OnStarted)
END_MESSAGE_MAP()

TEST_F(DialogTest, VisibleTemplateKeepsTheStateItsInitialisationShowed)
{
    MaximisedDialog d;
    EXPECT_EQ(d.DoModal(), IDOK);
    EXPECT_TRUE(d.zoomedInLoop);
}

class EscapeDialog : public CDialog {
public:
    EscapeDialog() : CDialog(901u) {}
    bool swallowEscape = false;
    int cancels = 0;
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SetFocus();
        input::Key(VK_ESCAPE, true);
        input::Key(VK_ESCAPE, false);
        PostMessage(WM_CLOSE);
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (swallowEscape && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) return TRUE;
        return CDialog::PreTranslateMessage(msg);
    }
    void OnCancel() override
    {
        ++cancels;
        CDialog::OnCancel();
    }
};

TEST_F(DialogTest, EscapeCancelsUnlessPreTranslateMessageTakesIt)
{
    EscapeDialog plain;
    EXPECT_EQ(plain.DoModal(), IDCANCEL);
    EXPECT_EQ(plain.cancels, 1);  // Escape ended the loop; the later WM_CLOSE found no window

    EscapeDialog swallowing;
    swallowing.swallowEscape = true;
    EXPECT_EQ(swallowing.DoModal(), IDCANCEL);  // ended by WM_CLOSE instead
    EXPECT_EQ(swallowing.cancels, 1);
}

// The program's start-up: the main window is a dialog on the stack of InitInstance, run modally,
// and InitInstance returns FALSE. The application must not reach the dialog once it is gone.
class StackMainWindowApp : public CWinApp {
public:
    bool mainWindowSetWhileShown = false;
    BOOL InitInstance() override
    {
        EscapeDialog main;
        m_pMainWnd = &main;
        main.DoModal();
        mainWindowSetWhileShown = m_pMainWnd == &main;
        return FALSE;
    }
};

TEST_F(DialogTest, MainWindowIsForgottenWhenItIsDestroyed)
{
    StackMainWindowApp app;
    ASSERT_EQ(AfxGetApp(), &app);
    EXPECT_EQ(AfxWinMain(), 0);
    EXPECT_FALSE(app.mainWindowSetWhileShown);  // DoModal destroyed the window at its end
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);

    RecordingWnd top;
    ASSERT_TRUE(top.CreateTop(0, 0, 50, 50));
    app.m_pMainWnd = &top;
    top.DestroyWindow();
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

// Writes to its file until a write fails, and keeps the reason.
class WritingPastTheLimitApp : public CWinApp {
public:
    explicit WritingPastTheLimitApp(std::string path) : m_path(std::move(path)) {}
    int writeError = 0;
    BOOL InitInstance() override
    {
        const int fd = open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const char block[4096] = {};
        for (int i = 0; i < 16 && writeError == 0; ++i)
            if (write(fd, block, sizeof block) < 0) writeError = errno;
        close(fd);
        unlink(m_path.c_str());
        return FALSE;
    }

private:
    std::string m_path;
};

// The program's start takes the process's file-size limit for a full disk: the write past it
// fails, and the program goes on to its end. The signal's disposition is the process's for good,
// so the case runs in a child process.
TEST(ProgramStart, AWritePastTheFileSizeLimitFailsInsteadOfEndingTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string path = testing::TempDir() + "past-the-limit-" + std::to_string(getpid());
    EXPECT_EXIT(
        {
            std::signal(SIGXFSZ, SIG_DFL);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 3 * 4096;
            setrlimit(RLIMIT_FSIZE, &limit);
            WritingPastTheLimitApp app(path);
            AfxWinMain();
            std::_Exit(app.writeError == EFBIG ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(DialogTest, MainWindowObjectThatNeverHadAWindowIsForgottenToo)
{
    CWinApp app;
    {
        CDialog neverShown(4242u);
        app.m_pMainWnd = &neverShown;
    }
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

}  // namespace
