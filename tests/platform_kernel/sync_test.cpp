#include "platform/kernel/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/kernel/waitable.h"

namespace {

struct EventCase {
    const char* name;
    BOOL manual;
    BOOL initial;
};

class EventKinds : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventKinds, InitialStateAndReset)
{
    const auto& c = GetParam();
    HANDLE e = CreateEventA(nullptr, c.manual, c.initial, nullptr);
    ASSERT_NE(nullptr, e);
    EXPECT_EQ(c.initial ? WAIT_OBJECT_0 : WAIT_TIMEOUT, WaitForSingleObject(e, 0));
    EXPECT_TRUE(SetEvent(e));
    EXPECT_TRUE(ResetEvent(e));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(e, 0));
    EXPECT_TRUE(CloseHandle(e));
}

TEST_P(EventKinds, ASetStaysForManualAndIsTakenOnceForAuto)
{
    const auto& c = GetParam();
    HANDLE e = CreateEventA(nullptr, c.manual, FALSE, nullptr);
    SetEvent(e);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(e, 0));
    EXPECT_EQ(c.manual ? WAIT_OBJECT_0 : WAIT_TIMEOUT, WaitForSingleObject(e, 0));
    CloseHandle(e);
}

INSTANTIATE_TEST_SUITE_P(All, EventKinds,
                         ::testing::Values(EventCase{"manual_off", TRUE, FALSE}, EventCase{"manual_on", TRUE, TRUE},
                                           EventCase{"auto_off", FALSE, FALSE}, EventCase{"auto_on", FALSE, TRUE}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WaitTest, BadHandlesFail)
{
    SetLastError(0);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(INVALID_HANDLE_VALUE, INFINITE));
    EXPECT_FALSE(SetEvent(nullptr));
    EXPECT_FALSE(CloseHandle(nullptr));

    HANDLE e = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(e);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(e, 0));
    EXPECT_FALSE(SetEvent(e));
    EXPECT_FALSE(CloseHandle(e));
}

TEST(WaitTest, MultipleAnyGivesTheFirstSignalledIndex)
{
    HANDLE h[3];
    for (auto& x : h) x = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(3, h, FALSE, 0));
    SetEvent(h[2]);
    EXPECT_EQ(WAIT_OBJECT_0 + 2, WaitForMultipleObjects(3, h, FALSE, 0));
    SetEvent(h[1]);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(3, h, FALSE, 0));
    for (auto x : h) CloseHandle(x);
}

TEST(WaitTest, MultipleAllTakesAutoEventsOnlyWhenAllAreSignalled)
{
    HANDLE h[2] = {CreateEventA(nullptr, FALSE, TRUE, nullptr), CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, h, TRUE, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h[0], 0)) << "a failed wait-all must not take the first event";
    SetEvent(h[0]);
    SetEvent(h[1]);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, h, TRUE, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, h, FALSE, 0));
    for (auto x : h) CloseHandle(x);
}

TEST(WaitTest, MultipleRejectsBadCounts)
{
    HANDLE e = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(0, &e, FALSE, 0));
    std::vector<HANDLE> many(MAXIMUM_WAIT_OBJECTS + 1, e);
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(static_cast<DWORD>(many.size()), many.data(), FALSE, 0));
    HANDLE mixed[2] = {e, nullptr};
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(2, mixed, FALSE, 0));
    CloseHandle(e);
}

TEST(WaitTest, ReadyConditionEndsTheWaitAfterTheObjects)
{
    auto ready = [] { return true; };
    EXPECT_EQ(WAIT_OBJECT_0, platform::kernel::WaitForObjects({}, false, INFINITE, ready));
    EXPECT_EQ(WAIT_TIMEOUT, platform::kernel::WaitForObjects({}, false, 0, [] { return false; }));
}

TEST(CEventTest, DefaultsToAutoResetNotSignalled)
{
    CEvent e;
    EXPECT_FALSE(e.Lock(0));
    e.SetEvent();
    EXPECT_TRUE(e.Lock(0));
    EXPECT_FALSE(e.Lock(0));

    CEvent manual(TRUE, TRUE);
    EXPECT_TRUE(manual.Lock(0));
    EXPECT_TRUE(manual.Lock(0));
    manual.ResetEvent();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual, 0));
}

TEST(ThreadedWaitTest, SetFromAnotherThreadWakesAnEndlessWait)
{
    CEvent go(FALSE, FALSE);
    CEvent done(FALSE, TRUE);
    std::thread t([&] {
        go.Lock();
        done.SetEvent();
    });
    go.SetEvent();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, INFINITE));
    t.join();
}

TEST(ThreadedWaitTest, OneAutoSetReleasesExactlyOneWaiter)
{
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            HANDLE h[2] = {e, quit};
            if (WaitForMultipleObjects(2, h, FALSE, INFINITE) == WAIT_OBJECT_0) ++woken;
        });
    }
    for (int i = 1; i <= 3; ++i) {
        SetEvent(e);
        while (woken.load() < i) std::this_thread::yield();
    }
    SetEvent(quit);
    for (auto& t : waiters) t.join();
    EXPECT_EQ(3, woken.load());
    CloseHandle(e);
    CloseHandle(quit);
}

TEST(ThreadedCriticalSectionTest, ReentrantForTheHolderAndExclusiveForOthers)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    std::atomic<bool> entered{false};
    std::thread other([&] {
        EnterCriticalSection(&cs);
        entered = true;
        LeaveCriticalSection(&cs);
    });
    LeaveCriticalSection(&cs);
    EXPECT_FALSE(entered.load()) << "still held once";
    LeaveCriticalSection(&cs);
    other.join();
    EXPECT_TRUE(entered.load());
    DeleteCriticalSection(&cs);
}

TEST(ThreadedCriticalSectionTest, GuardsACounter)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                EnterCriticalSection(&cs);
                ++counter;
                LeaveCriticalSection(&cs);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(40000, counter);
    DeleteCriticalSection(&cs);
}

}  // namespace
