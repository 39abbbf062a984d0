#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <thread>

#include "platform/resources/resources.h"
#include "platform/sound/sound.h"

namespace {

// Headless: no sound card is needed (a given driver, such as disk, is kept).
const bool kDummyAudio = setenv("SDL_AUDIODRIVER", "dummy", 0) == 0;

constexpr DWORD kAlarmFlags = SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_LOOP;
constexpr unsigned long long kAlarmBytes = 25972;

// Waits until the condition holds; false if it has not after a generous while (a stuck device).
template <class F>
bool Eventually(F condition)
{
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class SoundTest : public testing::Test {
protected:
    void TearDown() override { PlaySound(nullptr, nullptr, SND_PURGE); }
};

TEST_F(SoundTest, TheAlarmLoopsUntilPurged)
{
    EXPECT_EQ(kAlarmFlags, 0x4000Fu);
    ASSERT_TRUE(PlaySound(MAKEINTRESOURCE(138), platform::resources::ProgramModule(), kAlarmFlags));
    EXPECT_TRUE(platform::sound::IsPlaying());
    // Past its own length and on: it went round the loop.
    ASSERT_TRUE(Eventually([] { return platform::sound::BytesPlayed() > kAlarmBytes + 4096; }));
    EXPECT_TRUE(platform::sound::IsPlaying());
    EXPECT_TRUE(PlaySound(nullptr, nullptr, SND_PURGE));
    EXPECT_FALSE(platform::sound::IsPlaying());
    EXPECT_EQ(platform::sound::BytesPlayed(), 0u);
    // Purging with nothing playing is harmless.
    EXPECT_TRUE(PlaySound(nullptr, nullptr, SND_PURGE));
}

TEST_F(SoundTest, WithoutLoopItPlaysOnceToTheEnd)
{
    ASSERT_TRUE(PlaySound("#138", nullptr, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT));
    ASSERT_TRUE(Eventually([] { return !platform::sound::IsPlaying(); }));
    EXPECT_EQ(platform::sound::BytesPlayed(), kAlarmBytes);
}

TEST_F(SoundTest, ANewSoundReplacesTheOnePlaying)
{
    ASSERT_TRUE(PlaySound(MAKEINTRESOURCE(138), nullptr, kAlarmFlags));
    ASSERT_TRUE(Eventually([] { return platform::sound::BytesPlayed() > 0; }));
    EXPECT_FALSE(PlaySound(MAKEINTRESOURCE(138), nullptr, kAlarmFlags | SND_NOSTOP));
    EXPECT_TRUE(platform::sound::IsPlaying());
    ASSERT_TRUE(PlaySound(MAKEINTRESOURCE(138), nullptr, kAlarmFlags));
    EXPECT_LT(platform::sound::BytesPlayed(), kAlarmBytes) << "started again from the beginning";
}

TEST_F(SoundTest, MissingSoundsPlayNothing)
{
    ASSERT_TRUE(PlaySound(MAKEINTRESOURCE(138), nullptr, kAlarmFlags));
    EXPECT_FALSE(PlaySound(MAKEINTRESOURCE(139), nullptr, kAlarmFlags));
    EXPECT_FALSE(platform::sound::IsPlaying()) << "the old sound stops even when the new one is missing";
    EXPECT_FALSE(PlaySound(MAKEINTRESOURCE(143), nullptr, kAlarmFlags)) << "a PNG is no WAVE";
    EXPECT_FALSE(PlaySound("alarm.wav", nullptr, SND_ASYNC | SND_NODEFAULT)) << "no files or aliases";
    EXPECT_FALSE(platform::sound::IsPlaying());
}

TEST_F(SoundTest, ASynchronousSoundHasPlayedWhenTheCallReturns)
{
    ASSERT_TRUE(PlaySound(MAKEINTRESOURCE(138), nullptr, SND_RESOURCE | SND_NODEFAULT));
    EXPECT_FALSE(platform::sound::IsPlaying());
}

TEST_F(SoundTest, CallsFromSeveralThreads)
{
    std::thread other([] {
        for (int i = 0; i < 20; ++i) {
            PlaySound(MAKEINTRESOURCE(138), nullptr, kAlarmFlags);
            PlaySound(nullptr, nullptr, SND_PURGE);
        }
    });
    for (int i = 0; i < 20; ++i) {
        PlaySound(MAKEINTRESOURCE(138), nullptr, kAlarmFlags);
        platform::sound::BytesPlayed();
    }
    other.join();
    PlaySound(nullptr, nullptr, SND_PURGE);
    EXPECT_FALSE(platform::sound::IsPlaying());
}

}  // namespace
