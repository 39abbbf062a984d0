#include <gtest/gtest.h>

#include <atomic>
#include <ctime>

#include "platform/kernel/clock.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

namespace {

struct ThreadProbe {
    CEvent started{FALSE, TRUE};
    CEvent go{FALSE, TRUE};
    CEvent finished{FALSE, TRUE};
    DWORD id = 0;
    LPVOID seen = nullptr;
};

UINT probeProc(LPVOID p)
{
    auto* probe = static_cast<ThreadProbe*>(p);
    probe->id = GetCurrentThreadId();
    probe->seen = p;
    probe->started.SetEvent();
    probe->go.Lock();
    probe->finished.SetEvent();
    return 0;
}

TEST(ThreadedThreadTest, RunsTheProcedureWithItsParameterOnAnotherThread)
{
    ThreadProbe probe;
    CWinThread* t = AfxBeginThread(probeProc, &probe);
    ASSERT_NE(nullptr, t);
    ASSERT_TRUE(probe.started.Lock(INFINITE));
    // The thread waits for go, so the object is alive while we look at it.
    EXPECT_EQ(probe.id, t->m_nThreadID);
    EXPECT_NE(GetCurrentThreadId(), t->m_nThreadID);
    EXPECT_EQ(&probe, probe.seen);
    EXPECT_TRUE(t->m_bAutoDelete);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(t->m_hThread, 0)) << "the thread has not ended";
    probe.go.SetEvent();
    EXPECT_TRUE(probe.finished.Lock(INFINITE));
}

TEST(ThreadedThreadTest, AcceptsPrioritiesAndStackSizes)
{
    for (int priority : {THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_TIME_CRITICAL}) {
        ThreadProbe probe;
        probe.go.SetEvent();
        ASSERT_NE(nullptr, AfxBeginThread(probeProc, &probe, priority, 1));
        EXPECT_TRUE(probe.finished.Lock(INFINITE));
    }
}

TEST(ThreadTest, NoProcedureNoThread) { EXPECT_EQ(nullptr, AfxBeginThread(nullptr, nullptr)); }

TEST(ThreadTest, PriorityClassOnlyForThisProcessAndKnownClasses)
{
    EXPECT_FALSE(SetPriorityClass(nullptr, NORMAL_PRIORITY_CLASS));
    EXPECT_FALSE(SetPriorityClass(GetCurrentProcess(), 0x12345));
    EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS));
}

TEST(ThreadTest, SleepWaitsAtLeastItsTime)
{
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    Sleep(20);
    QueryPerformanceCounter(&b);
    EXPECT_GE(b.QuadPart - a.QuadPart, 20'000'000);
    Sleep(0);
}

TEST(ClockTest, PerformanceCounterIsNanoseconds)
{
    LARGE_INTEGER f;
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(1'000'000'000, f.QuadPart);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
    EXPECT_FALSE(QueryPerformanceFrequency(nullptr));
}

TEST(ClockTest, TickCountIsTheMonotonicMillisecondsIn32Bits)
{
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    DWORD tick = GetTickCount();
    QueryPerformanceCounter(&after);
    const auto lo = static_cast<DWORD>(before.QuadPart / 1'000'000);
    const auto hi = static_cast<DWORD>(after.QuadPart / 1'000'000);
    EXPECT_LE(static_cast<DWORD>(tick - lo), static_cast<DWORD>(hi - lo));
}

std::time_t realtimeSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec;
}

TEST(ClockTest, Time64IsTheCalendarSecondAndStoresThroughItsArgument)
{
    __time64_t stored = 0;
    const std::time_t before = realtimeSeconds();
    const __time64_t now = _time64(&stored);
    const std::time_t after = realtimeSeconds();
    EXPECT_EQ(now, stored);
    EXPECT_GE(now, before);
    EXPECT_LE(now, after);
}

TEST(ClockTest, LocalTimeAgreesWithLocaltimeOfTime64)
{
    // Retry until no second boundary falls between the readings.
    for (;;) {
        const std::time_t a = _time64(nullptr);
        SYSTEMTIME st;
        GetLocalTime(&st);
        const std::time_t b = _time64(nullptr);
        if (a != b) continue;
        std::tm tm{};
        localtime_r(&a, &tm);
        EXPECT_EQ(tm.tm_year + 1900, st.wYear);
        EXPECT_EQ(tm.tm_mon + 1, st.wMonth);
        EXPECT_EQ(tm.tm_mday, st.wDay);
        EXPECT_EQ(tm.tm_wday, st.wDayOfWeek);
        EXPECT_EQ(tm.tm_hour, st.wHour);
        EXPECT_EQ(tm.tm_min, st.wMinute);
        EXPECT_EQ(tm.tm_sec, st.wSecond);
        EXPECT_LT(st.wMilliseconds, 1000);
        break;
    }
}

}  // namespace
