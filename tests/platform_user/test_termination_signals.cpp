// Termination signals close the window that was set, whatever modal loop runs over it, and a
// second one ends the process. The handlers and the count of signals belong to the process for
// good, so every case runs in a child process of its own.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"
#include "platform/user/CDialog.h"
#include "platform/user/menu.h"
#include "platform/user/termination_signals.h"

namespace {

// Whether WM_CLOSE reaches the window within five seconds.
bool Closed(HWND window)
{
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < 5000) {
        if (PeekMessage(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) return true;
        platform::user::WaitForQueuedMessage(50);
    }
    return false;
}

class TerminationSignals : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_P(TerminationSignals, FirstSignalClosesTheWindow)
{
    const int sig = GetParam();
    EXPECT_EXIT(
        {
            HWND window = platform::user::AllocateWindowHandle();
            if (!TakeTerminationSignals()) std::_Exit(2);
            CloseWindowOnTerminationSignals(window);
            raise(sig);
            std::_Exit(Closed(window) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_P(TerminationSignals, SecondSignalEndsTheProcessAtOnce)
{
    const int sig = GetParam();
    EXPECT_EXIT(
        {
            HWND window = platform::user::AllocateWindowHandle();
            TakeTerminationSignals();
            CloseWindowOnTerminationSignals(window);
            raise(sig);
            raise(sig);
            std::_Exit(0);
        },
        ::testing::KilledBySignal(sig), "");
}

// Until the signals are taken, naming a window changes nothing: a signal ends the process.
TEST_P(TerminationSignals, WithoutTakingThemASignalKeepsItsDefault)
{
    const int sig = GetParam();
    EXPECT_EXIT(
        {
            CloseWindowOnTerminationSignals(platform::user::AllocateWindowHandle());
            raise(sig);
            std::_Exit(0);
        },
        ::testing::KilledBySignal(sig), "");
}

INSTANTIATE_TEST_SUITE_P(EachSignal, TerminationSignals, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST(TerminationSignalsWithoutWindow, SignalIsKeptForTheNextWindow)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            HWND gone = platform::user::AllocateWindowHandle();
            TakeTerminationSignals();
            CloseWindowOnTerminationSignals(gone);
            platform::user::ReleaseWindowHandle(gone);
            raise(SIGTERM);
            Sleep(100);
            CloseWindowOnTerminationSignals(nullptr);
            HWND next = platform::user::AllocateWindowHandle();
            CloseWindowOnTerminationSignals(next);
            std::_Exit(Closed(next) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

constexpr UINT kOpenLoop = WM_USER + 1;

// A signal comes while a loop runs, once it has begun.
void RaiseSigterm(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    KillTimer(hwnd, id);
    raise(SIGTERM);
}

// The program's main window: a dialog run modally and closed by the signals, over which one more
// modal loop begins once it runs (or which begins to follow the cursor).
class MainDialog : public CDialog {
public:
    explicit MainDialog(void (*open)(CDialog& owner)) : CDialog(960u), m_open(open) {}
    bool closed = false;
    bool loopEnded = false;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        CloseWindowOnTerminationSignals(m_hWnd);
        PostMessage(kOpenLoop);
        return TRUE;
    }
    void OnCancel() override
    {
        closed = true;
        CDialog::OnCancel();
    }
    LRESULT OnOpenLoop(WPARAM, LPARAM)
    {
        SetTimer(1, 50, RaiseSigterm);
        m_open(*this);
        loopEnded = true;
        return 0;
    }
    DECLARE_MESSAGE_MAP()

private:
    void (*m_open)(CDialog& owner);
};
BEGIN_MESSAGE_MAP(MainDialog, CDialog)
ON_MESSAGE(kOpenLoop, &MainDialog::OnOpenLoop)
END_MESSAGE_MAP()

struct LoopOverTheWindow {
    const char* name;
    void (*open)(CDialog& owner);
};

void PrintTo(const LoopOverTheWindow& l, std::ostream* out) { *out << l.name; }

const LoopOverTheWindow kLoops[] = {
    {"Dialog",
     [](CDialog& owner) {
         CDialog about(961u, &owner);
         about.DoModal();
     }},
    {"Menu", [](CDialog& owner) { platform::user::ChooseMenuItem(owner.m_hWnd, {{MF_STRING, 1, "&Item"}}, POINT{10, 10}); }},
    {"WindowMove", [](CDialog& owner) { owner.SendMessage(WM_SYSCOMMAND, SC_MOVE, 0); }},
};

class TerminationInAModalLoop : public ::testing::TestWithParam<LoopOverTheWindow> {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_P(TerminationInAModalLoop, EndsTheLoopAndClosesTheWindow)
{
    EXPECT_EXIT(
        {
            alarm(30);  // a loop that never ends fails the case
            std::string error;
            for (const char* t : {"dialog 960\nstyle WS_POPUP | WS_CAPTION\nsize 200 100\n", "dialog 961\nstyle WS_POPUP | WS_CAPTION\nsize 100 50\n"})
                if (!platform::user::RegisterDialogTemplateText(t, &error)) std::_Exit(3);
            if (!TakeTerminationSignals()) std::_Exit(2);
            MainDialog main(GetParam().open);
            const INT_PTR result = main.DoModal();
            std::_Exit(main.closed && main.loopEnded && result == IDCANCEL ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(EachLoop, TerminationInAModalLoop, ::testing::ValuesIn(kLoops),
                         [](const ::testing::TestParamInfo<LoopOverTheWindow>& info) { return std::string(info.param.name); });

}  // namespace
