// Termination signals close the window that was set, and a second one ends the process. The
// handlers and the count of signals belong to the process for good, so every case runs in a
// child process of its own.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>

#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"
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

}  // namespace
