#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/kernel/handle_table.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"
#include "tests/platform_user/user_test_support.h"

using namespace user_test;

namespace {

constexpr UINT kNotify = WM_USER + 100;

class ThreadTest : public UserTest {};

TEST_F(ThreadTest, PostedMessagesFromAWorkerArriveInOrder)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
    HWND h = w.m_hWnd;
    std::thread worker([h] {
        for (int i = 0; i < 200; ++i) PostMessage(h, kNotify, static_cast<WPARAM>(i), 0);
    });
    worker.join();
    Pump();
    std::vector<WPARAM> codes;
    for (const auto& l : w.log)
        if (l.message == kNotify) codes.push_back(l.wParam);
    ASSERT_EQ(codes.size(), 200u);
    for (std::size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(codes[i], i);
}

class Answering : public RecordingWnd {
public:
    std::thread::id handledOn;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kNotify) {
            handledOn = std::this_thread::get_id();
            RecordingWnd::WindowProc(message, wParam, lParam);
            return static_cast<LRESULT>(wParam) * 2;
        }
        return RecordingWnd::WindowProc(message, wParam, lParam);
    }
};

TEST_F(ThreadTest, SendFromAWorkerWaitsUntilTheUserInterfaceThreadHandledIt)
{
    Answering w;
    ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
    HWND h = w.m_hWnd;
    std::atomic<bool> returned{false};
    std::atomic<LRESULT> result{0};
    std::thread worker([&] {
        result = SendMessage(h, kNotify, 21, 0);
        returned = true;
    });
    // The worker cannot get on while this thread does not look at its messages.
    Sleep(50);
    EXPECT_FALSE(returned.load());
    EXPECT_EQ(w.Count(kNotify), 0);
    while (!returned.load()) {
        Pump();
        Sleep(1);
    }
    worker.join();
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(w.handledOn, std::this_thread::get_id());
}

TEST_F(ThreadTest, WaitingWithATimeOutOnASendingWorkerReturnsAfterTheTimeOut)
{
    Answering w;
    ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
    HWND h = w.m_hWnd;
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        SendMessage(h, kNotify, 1, 0);
        SetEvent(finished);
    });
    // As when a window stops its worker: a plain wait does not serve the worker's send.
    EXPECT_EQ(WaitForSingleObject(finished, 100), WAIT_TIMEOUT);
    EXPECT_EQ(w.Count(kNotify), 0);
    while (WaitForSingleObject(finished, 0) != WAIT_OBJECT_0) {
        Pump();
        Sleep(1);
    }
    worker.join();
    EXPECT_EQ(w.Count(kNotify), 1);
    CloseHandle(finished);
}

TEST_F(ThreadTest, MessageWaitEndsForASendAndPeekCanServeSendsAlone)
{
    Answering w;
    ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
    HWND h = w.m_hWnd;
    Pump();
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<LRESULT> result{0};
    std::thread worker([&] { result = SendMessage(h, kNotify, 4, 0); });
    // Without QS_SENDMESSAGE the waiting send does not end the wait.
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &never, FALSE, 30, 0), WAIT_TIMEOUT);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &never, FALSE, INFINITE, QS_SENDMESSAGE), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_SENDMESSAGE), WAIT_OBJECT_0);
    PostMessage(h, kNotify, 100, 0);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE));
    worker.join();
    EXPECT_EQ(result.load(), 8);
    ASSERT_EQ(w.Count(kNotify), 1) << "the posted message is still queued";
    ASSERT_TRUE(PeekMessage(&msg, h, kNotify, kNotify, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 100u);

    SetEvent(never);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &never, FALSE, 0, QS_SENDMESSAGE), WAIT_OBJECT_0);
    CloseHandle(never);
}

TEST_F(ThreadTest, SendToAWindowDestroyedWhileTheWorkerWaitsReturnsZero)
{
    Answering w;
    ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
    HWND h = w.m_hWnd;
    std::atomic<bool> returned{false};
    std::atomic<LRESULT> result{-1};
    std::thread worker([&] {
        result = SendMessage(h, kNotify, 5, 0);
        returned = true;
    });
    Sleep(30);
    w.DestroyWindow();
    worker.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(result.load(), 0);
    std::thread late([h, &result] { result = SendMessage(h, kNotify, 5, 0); });
    late.join();
    EXPECT_EQ(result.load(), 0);
}

TEST_F(ThreadTest, InvalidationFromAWorkerWakesTheLoopToPaint)
{
    RecordingWnd w;
    ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
    Pump();
    w.log.clear();
    HWND h = w.m_hWnd;
    std::thread worker([h] {
        Sleep(20);
        InvalidateRect(h, nullptr, FALSE);
        PostMessage(h, kNotify, 0, 0);
    });
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        DispatchMessage(&msg);
        if (msg.message == kNotify) break;
    }
    worker.join();
    Pump();
    EXPECT_EQ(w.Count(WM_PAINT), 1);
}

TEST_F(ThreadTest, ManyWorkersSendingAndPostingAtOnceAreAllServed)
{
    Answering w;
    ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
    HWND h = w.m_hWnd;
    std::atomic<int> done{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([h, &done] {
            for (int i = 0; i < 25; ++i) {
                EXPECT_EQ(SendMessage(h, kNotify, 3, 0), 6);
                PostMessage(h, kNotify, 1, 0);
            }
            ++done;
        });
    }
    while (done.load() < 4) {
        Pump();
        Sleep(0);
    }
    for (auto& t : workers) t.join();
    Pump();
    EXPECT_EQ(w.Count(kNotify), 200);
}

}  // namespace

namespace {

// Destroys its window when the thread ends, after the thread's other objects were made.
struct DestroyAtThreadExit {
    RecordingWnd* wnd = nullptr;
    ~DestroyAtThreadExit()
    {
        if (wnd != nullptr) wnd->DestroyWindow();
    }
};

TEST_F(ThreadTest, AWindowDestroyedAsItsThreadEndsIsHandledWhole)
{
    RecordingWnd w;
    std::thread owner([&w] {
        // Made before the thread's first message, so it is destroyed after whatever the message
        // handling keeps per thread, as objects destroyed while a process ends are.
        thread_local DestroyAtThreadExit guard;
        ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
        guard.wnd = &w;
    });
    owner.join();
    EXPECT_FALSE(IsWindow(w.m_hWnd));
    EXPECT_EQ(w.Count(WM_NCDESTROY), 1);
}

}  // namespace
