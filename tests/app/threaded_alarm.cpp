// The alarm-sound loop of the application object, on its own thread: a countdown of 10 starts the
// looping sound and counts down by two a tick to -1, when the sound stops; 0 stops it at the next
// tick; below zero nothing plays.
#include <gtest/gtest.h>

#include <vector>

#include "app/CVantrelApp.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"
#include "platform/sound/sound.h"

namespace {

class AlarmLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        theApp.m_nAlarmCountdown = -1;
        ASSERT_TRUE(theApp.ThreadWorkerStart());
    }
    void TearDown() override
    {
        EXPECT_TRUE(theApp.ThreadWorkerStop());
        PlaySound(nullptr, nullptr, SND_PURGE);
        theApp.m_nAlarmCountdown = -1;
    }
    // Waits up to five seconds for the condition; whether it held.
    template <class Condition>
    static bool WaitFor(Condition condition)
    {
        const DWORD start = GetTickCount();
        while (!condition()) {
            if (GetTickCount() - start > 5000) return false;
            Sleep(1);
        }
        return true;
    }
};

TEST_F(AlarmLoop, TenPlaysForFiveTicksAndStopsAtMinusOne)
{
    theApp.m_nAlarmCountdown = 10;
    std::vector<int> seen;
    std::vector<bool> playing;
    ASSERT_TRUE(WaitFor([&] {
        const int c = theApp.m_nAlarmCountdown;
        if (seen.empty() || seen.back() != c) {
            seen.push_back(c);
            playing.push_back(platform::sound::IsPlaying());
        }
        return c == -1;
    }));
    // The 10 itself is seen unless the loop ticked before the first look.
    if (seen.front() == 10) {
        seen.erase(seen.begin());
        playing.erase(playing.begin());
    }
    EXPECT_EQ(seen, (std::vector<int>{8, 6, 4, 2, 0, -1}));
    for (std::size_t i = 0; i + 1 < seen.size(); ++i) EXPECT_TRUE(playing[i]) << "at " << seen[i];
    EXPECT_TRUE(WaitFor([] { return !platform::sound::IsPlaying(); }));
    // Below zero the count keeps falling and starts nothing.
    ASSERT_TRUE(WaitFor([] { return theApp.m_nAlarmCountdown <= -3; }));
    EXPECT_FALSE(platform::sound::IsPlaying());
}

TEST_F(AlarmLoop, ZeroStopsAPlayingSound)
{
    theApp.m_nAlarmCountdown = 10;
    ASSERT_TRUE(WaitFor([] { return platform::sound::IsPlaying(); }));
    theApp.m_nAlarmCountdown = 0;
    EXPECT_TRUE(WaitFor([] { return !platform::sound::IsPlaying(); }));
    EXPECT_LT(theApp.m_nAlarmCountdown, 0);
}

TEST_F(AlarmLoop, CountsBelowTenDoNotStartTheSound)
{
    for (int start : {-1, 9, 1}) {
        theApp.m_nAlarmCountdown = start;
        ASSERT_TRUE(WaitFor([] { return theApp.m_nAlarmCountdown <= -2; })) << start;
        EXPECT_FALSE(platform::sound::IsPlaying()) << start;
    }
}

TEST_F(AlarmLoop, StopEndsTheLoopWhileTheSoundPlays)
{
    theApp.m_nAlarmCountdown = 10;
    ASSERT_TRUE(WaitFor([] { return platform::sound::IsPlaying(); }));
    EXPECT_TRUE(theApp.ThreadWorkerStop());
    EXPECT_FALSE(theApp.IsThreadWorkerRunning());
    ASSERT_TRUE(theApp.ThreadWorkerStart());
}

}  // namespace
