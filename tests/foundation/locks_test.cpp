#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "foundation/CAutoLock.h"
#include "foundation/CMyLock.h"
#include "foundation/CTickerZel.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"

namespace {

// Must stay the first test: nothing in this process has calibrated the stopwatch yet.
TEST(CTickerZelTest, FrequencyIsZeroUntilInit)
{
    EXPECT_EQ(0.0, CTickerZel::m_dbFreq);
    CTickerZel::Init();
    EXPECT_EQ(1e9, CTickerZel::m_dbFreq);
    CTickerZel::Init();
    EXPECT_EQ(1e9, CTickerZel::m_dbFreq) << "Init starts its sum afresh";
}

double counterSeconds()
{
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / 1e9;
}

TEST(CTickerZelTest, StopSumsTheRunSegmentsOnly)
{
    CTickerZel::Init();
    CTickerZel t;
    const double before = counterSeconds();
    t.Start();
    Sleep(20);
    t.Pause();
    Sleep(100);
    t.Start();
    Sleep(30);
    t.Stop();
    const double after = counterSeconds();
    EXPECT_GE(t.GetTime(), 0.050);
    // The 100 ms between Pause and the second Start are not counted.
    EXPECT_LE(t.GetTime(), after - before - 0.100);
}

TEST(CTickerZelTest, CurrentTimeIsInMillisecondsAndDifferencesInSeconds)
{
    CTickerZel::Init();
    CTickerZel t;
    const double a = counterSeconds();
    const double now = t.GetCurTime();
    const double b = counterSeconds();
    EXPECT_GE(now, a * 1000.0 - 1e-3);
    EXPECT_LE(now, b * 1000.0 + 1e-3);

    const double start = counterSeconds();
    t.Start();
    Sleep(10);
    const double diff = t.GetDiffTime();
    const double end = counterSeconds();
    EXPECT_GE(diff, 0.010);
    EXPECT_LE(diff, end - start);
}

TEST(CTickerZelTest, CopiesCarryTheCounts)
{
    CTickerZel::Init();
    CTickerZel t;
    t.Start();
    Sleep(1);
    t.Stop();
    CTickerZel copy(t);
    EXPECT_EQ(t.GetTime(), copy.GetTime());
    CTickerZel assigned;
    assigned = t;
    EXPECT_EQ(t.GetTime(), assigned.GetTime());
    EXPECT_EQ(0.0, CTickerZel().GetTime());
}

// True when another thread can take the lock (and does, then leaves it).
bool freeForOthers(CMyLock& lock)
{
    bool took = false;
    std::thread other([&] {
        CAutoLock guard(&lock);
        took = true;
    });
    other.join();
    return took;
}

TEST(ThreadedLockTest, NestedGuardsOnOneThreadDoNotBlock)
{
    CMyLock lock;
    {
        CAutoLock outer(&lock);
        CAutoLock inner(&lock);
        lock.lock();
        lock.unLock();
    }
    EXPECT_TRUE(freeForOthers(lock));
}

TEST(ThreadedLockTest, AGuardLeftByAnExceptionFreesTheLock)
{
    CMyLock lock;
    EXPECT_THROW(
        {
            CAutoLock guard(&lock);
            throw std::runtime_error("leave the block");
        },
        std::runtime_error);
    EXPECT_TRUE(freeForOthers(lock));
}

TEST(ThreadedLockTest, GuardsExcludeOtherThreads)
{
    CMyLock lock;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                CAutoLock guard(&lock);
                ++counter;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(40000, counter);
}

}  // namespace
