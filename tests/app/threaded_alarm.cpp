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

// Left alone, the sound of a 10 stops by itself five ticks later; here the count is held up for
// longer than that, so only the written 0 can stop it, at the loop's next tick.
TEST_F(AlarmLoop, ZeroStopsAPlayingSoundAtTheNextTick)
{
    theApp.m_nAlarmCountdown = 10;
    ASSERT_TRUE(WaitFor([] { return platform::sound::IsPlaying(); }));
    // Each tick takes the 8 written back to 6; eight ticks are more than a 10 plays.
    theApp.m_nAlarmCountdown = 8;
    for (int tick = 0; tick < 8; ++tick) {
        ASSERT_TRUE(WaitFor([] { return theApp.m_nAlarmCountdown != 8; })) << "tick " << tick;
        EXPECT_GT(theApp.m_nAlarmCountdown, 0) << "tick " << tick;
        ASSERT_TRUE(platform::sound::IsPlaying()) << "tick " << tick;
        theApp.m_nAlarmCountdown = 8;
    }
    theApp.m_nAlarmCountdown = 0;
    std::vector<int> seen;
    EXPECT_TRUE(WaitFor([&] {
        const int c = theApp.m_nAlarmCountdown;
        if (c != 0 && (seen.empty() || seen.back() != c)) seen.push_back(c);
        return !platform::sound::IsPlaying();
    }));
    // The tick that read the 0 stopped the sound and stored -1: the count never ran on above 0.
    for (int c : seen) EXPECT_LT(c, 0) << "the count ran on from its own value";
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
