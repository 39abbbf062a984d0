#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/CThreadActionFlow.h"
#include "foundation/CZelThreadWorker.h"
#include "platform/kernel/clock.h"
#include "platform/user/CWnd.h"
#include "platform/user/message_queue.h"

namespace {

// A worker whose body waits for its stop event, or, when stubborn, for the test to release it.
class BlockingWorker : public CZelThreadWorker {
public:
    using CZelThreadWorker::CZelThreadWorker;

    DWORD ActionRun() override
    {
        ++runs;
        entered.SetEvent();
        if (stubborn) {
            release.Lock();
        } else {
            WaitForSingleObject(*m_pStopEvent, INFINITE);
        }
        return 0;
    }

    CWinThread* Thread() const { return m_pThread; }
    CEvent* StopEvent() const { return m_pStopEvent; }

    CEvent entered{FALSE, FALSE};
    CEvent release{FALSE, TRUE};
    bool stubborn = false;
    std::atomic<int> runs{0};
};

TEST(ThreadedWorkerTest, ANeverStartedWorkerStopsAtOnce)
{
    BlockingWorker w;
    EXPECT_FALSE(w.IsThreadWorkerRunning());
    EXPECT_TRUE(w.ThreadWorkerStop());
    EXPECT_EQ(nullptr, w.Thread());
    EXPECT_EQ(0, w.m_nAction);
}

TEST(ThreadedWorkerTest, StartsAndStopsWithinTheTimeOut)
{
    BlockingWorker w;
    ASSERT_TRUE(w.ThreadWorkerStart());
    EXPECT_NE(nullptr, w.Thread());
    ASSERT_TRUE(w.entered.Lock());
    EXPECT_TRUE(w.IsThreadWorkerRunning());
    EXPECT_TRUE(w.ThreadWorkerStop());
    EXPECT_EQ(nullptr, w.Thread());
    EXPECT_FALSE(w.IsThreadWorkerRunning());
}

TEST(ThreadedWorkerTest, RestartsAfterAStop)
{
    CEvent stop(FALSE, TRUE);
    BlockingWorker w(&stop);
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(w.ThreadWorkerStart());
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(stop, 0)) << "start resets the stop event";
        ASSERT_TRUE(w.entered.Lock());
        ASSERT_TRUE(w.ThreadWorkerStop());
        EXPECT_EQ(i, w.runs.load());
    }
}

TEST(ThreadedWorkerTest, AThreadThatDoesNotEndInTimeIsReportedAndNotWaitedFor)
{
    BlockingWorker w(nullptr, 20);
    w.stubborn = true;
    ASSERT_TRUE(w.ThreadWorkerStart());
    ASSERT_TRUE(w.entered.Lock());
    EXPECT_FALSE(w.ThreadWorkerStop());
    EXPECT_NE(nullptr, w.Thread()) << "the thread pointer is kept";
    EXPECT_TRUE(w.IsThreadWorkerRunning());
    EXPECT_EQ(1u, w.WaitCmdExit(0)) << "the stop event stays set";
    EXPECT_FALSE(w.ThreadWorkerStart()) << "no second thread on the same body";
    EXPECT_EQ(1, w.runs.load());

    w.release.SetEvent();
    while (w.IsThreadWorkerRunning()) {
    }
    EXPECT_TRUE(w.ThreadWorkerStop());
    EXPECT_EQ(nullptr, w.Thread());
}

TEST(ThreadedWorkerTest, ANegativeTimeOutDoesNotWait)
{
    BlockingWorker w(nullptr, -1);
    w.stubborn = true;
    ASSERT_TRUE(w.ThreadWorkerStart());
    ASSERT_TRUE(w.entered.Lock());
    EXPECT_FALSE(w.ThreadWorkerStop());
    w.release.SetEvent();
    while (w.IsThreadWorkerRunning()) {
    }
}

TEST(ThreadedWorkerTest, TheOwnersStopEventOutlivesTheWorkerAndStopsItsBody)
{
    CEvent stop(FALSE, TRUE);
    {
        BlockingWorker w(&stop);
        EXPECT_EQ(&stop, w.StopEvent());
        ASSERT_TRUE(w.ThreadWorkerStart());
        ASSERT_TRUE(w.entered.Lock());
        stop.SetEvent();
        while (w.IsThreadWorkerRunning()) {
        }
    }
    EXPECT_TRUE(stop.ResetEvent());
    EXPECT_TRUE(stop.SetEvent());
    EXPECT_TRUE(stop.Lock(0));
}

TEST(ThreadedWorkerTest, SetEventSwapsTheStopEvent)
{
    CEvent given(FALSE, TRUE);
    BlockingWorker w;
    w.SetEvent(&given, 0);
    EXPECT_EQ(&given, w.StopEvent());
    w.SetEvent(nullptr);
    EXPECT_NE(&given, w.StopEvent());
    EXPECT_TRUE(given.SetEvent()) << "the given event is not deleted";
    ASSERT_TRUE(w.ThreadWorkerStart());
    ASSERT_TRUE(w.entered.Lock());
    EXPECT_TRUE(w.ThreadWorkerStop());
}

TEST(ThreadedWorkerTest, WaitCmdExitTellsWhetherAStopWasAsked)
{
    BlockingWorker w;
    EXPECT_EQ(0u, w.WaitCmdExit(0));
    EXPECT_EQ(0u, w.WaitCmdExit(5));
    w.ThreadWorkerStop();
    EXPECT_EQ(1u, w.WaitCmdExit(0));
}

// A worker whose body sends a notice to a window of the thread that will stop it, as the
// display worker does with every frame, then waits for its stop event.
class SendingWorker : public CZelThreadWorker {
public:
    explicit SendingWorker(HWND target) : CZelThreadWorker(nullptr, 10000), m_target(target) {}

    DWORD ActionRun() override
    {
        answer = SendMessage(m_target, WM_WORKER_NOTIFY, NOTIFY_FRAME_SHOWN, 0);
        WaitForSingleObject(*m_pStopEvent, INFINITE);
        return 0;
    }

    std::atomic<LRESULT> answer{0};

private:
    HWND m_target;
};

class NoticeWindow : public CWnd {
public:
    int notices = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_WORKER_NOTIFY) return CWnd::WindowProc(message, wParam, lParam);
        ++notices;
        return 42;
    }
};

TEST(ThreadedWorkerTest, AStopServesTheMessageTheBodyIsSendingToTheStoppingThread)
{
    NoticeWindow window;
    ASSERT_TRUE(window.CreateEx(0, nullptr, "notices", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    SendingWorker w(window.m_hWnd);
    ASSERT_TRUE(w.ThreadWorkerStart());
    // The body is inside its SendMessage now.
    ASSERT_EQ(WAIT_OBJECT_0, MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_SENDMESSAGE));
    const BOOL stopped = w.ThreadWorkerStop();
    EXPECT_TRUE(stopped) << "the stop was held up until its time-out";
    EXPECT_EQ(1, window.notices);
    EXPECT_EQ(42, w.answer.load());
    if (!stopped) {  // let the body go before it is destroyed
        window.DestroyWindow();
        while (w.IsThreadWorkerRunning()) {
        }
    }
}

// A flow whose steps return scripted values.
class ScriptedFlow : public CThreadActionFlow {
public:
    using CThreadActionFlow::CThreadActionFlow;

    DWORD Begin() override { return beginResult; }
    DWORD Action() override
    {
        const std::size_t n = actions++;
        acted.SetEvent();
        return n < script.size() ? script[n] : script.back();
    }
    void End(DWORD code) override
    {
        endCode = static_cast<int>(code);
        CThreadActionFlow::End(code);
    }
    void WaitFinished() { m_evFinished.Lock(); }

    std::vector<DWORD> script{0};
    DWORD beginResult = 0;
    std::atomic<int> actions{0};
    std::atomic<int> endCode{-100};
    CEvent acted{FALSE, FALSE};
};

class FlowTest : public ::testing::Test {
protected:
    void SetUp() override { m_wnd = platform::user::AllocateWindowHandle(); }
    void TearDown() override { platform::user::ReleaseWindowHandle(m_wnd); }

    // The wParam of every message queued for our window, in order; each lParam must be the flow.
    std::vector<WPARAM> Messages(CThreadActionFlow& flow)
    {
        std::vector<WPARAM> codes;
        MSG msg;
        while (PeekMessage(&msg, m_wnd, 0, 0, PM_REMOVE)) {
            EXPECT_EQ(WM_WORKER_NOTIFY, msg.message);
            EXPECT_EQ(reinterpret_cast<LPARAM>(&flow), msg.lParam);
            codes.push_back(msg.wParam);
        }
        return codes;
    }

    HWND m_wnd = nullptr;
};

struct FlowCase {
    const char* name;
    BYTE loop;
    BYTE notify;
    DWORD begin;
    std::vector<DWORD> script;
    int actions;
    int endCode;
    int tipFlag;
    std::vector<WPARAM> messages;
};

void PrintTo(const FlowCase& c, std::ostream* os) { *os << c.name; }

class FlowCases : public FlowTest, public ::testing::WithParamInterface<FlowCase> {};

TEST_P(FlowCases, RunsItsStepsThenQueuesTheEndTip)
{
    const auto& c = GetParam();
    ScriptedFlow flow;
    flow.m_bLoop = c.loop;
    flow.m_bNotify = c.notify;
    flow.beginResult = c.begin;
    flow.script = c.script;
    flow.SetWndMsg(m_wnd, WM_WORKER_NOTIFY);
    ASSERT_TRUE(flow.ThreadWorkerStart());
    flow.WaitFinished();

    EXPECT_EQ(c.actions, flow.actions.load());
    EXPECT_EQ(c.endCode, flow.endCode.load());
    Tip tip;
    ASSERT_TRUE(flow.GetTip(tip));
    EXPECT_EQ(c.endCode, tip.code);
    EXPECT_EQ(c.tipFlag, tip.flag);
    EXPECT_STREQ("", tip.text);
    EXPECT_FALSE(flow.GetTip(tip));
    EXPECT_EQ(c.messages, Messages(flow));
    EXPECT_TRUE(flow.ThreadWorkerStop());
}

INSTANTIATE_TEST_SUITE_P(
    All, FlowCases,
    ::testing::Values(
        FlowCase{"once_without_loop", 0, 1, 0, {0}, 1, 0, 0, {NOTIFY_ACTION_BEGIN, NOTIFY_TIP, NOTIFY_ACTION_END}},
        FlowCase{"loop_until_four", 1, 1, 0, {0, 0, 4}, 3, 4, 1, {NOTIFY_ACTION_BEGIN, NOTIFY_TIP, NOTIFY_ACTION_END}},
        FlowCase{"any_code_becomes_the_tip", 1, 0, 0, {TIP_CAMERA_LOST}, 1, TIP_CAMERA_LOST, 0, {NOTIFY_TIP}},
        FlowCase{"four_without_notify", 0, 0, 0, {4}, 1, 4, 1, {NOTIFY_TIP}},
        FlowCase{"failed_begin_skips_the_steps", 1, 1, 9, {0}, 0, 9, 0,
                 {NOTIFY_ACTION_BEGIN, NOTIFY_TIP, NOTIFY_ACTION_END}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlowTest, AStopDuringTheStepWaitEndsWithTerminated)
{
    ScriptedFlow flow;
    flow.m_bLoop = 1;
    flow.m_bNotify = 0;
    flow.m_nStepWait = 1000000;
    flow.SetWndMsg(m_wnd, WM_WORKER_NOTIFY);
    ASSERT_TRUE(flow.ThreadWorkerStart());
    ASSERT_TRUE(flow.acted.Lock());
    EXPECT_TRUE(flow.ThreadWorkerStop());
    EXPECT_EQ(TIP_TERMINATED, flow.endCode.load());
    EXPECT_EQ(1, flow.actions.load());
    Tip tip;
    ASSERT_TRUE(flow.GetTip(tip));
    EXPECT_EQ(TIP_TERMINATED, tip.code);
    EXPECT_EQ(0, tip.flag);
}

TEST_F(FlowTest, GetTipOnAnEmptyQueueLeavesTheRecord)
{
    ScriptedFlow flow;
    Tip tip;
    std::memset(&tip, 0xAB, sizeof tip);
    Tip before = tip;
    EXPECT_FALSE(flow.GetTip(tip));
    EXPECT_EQ(0, std::memcmp(&before, &tip, sizeof tip));
}

TEST_F(FlowTest, TipsComeOutOldestFirstWithTheirTimes)
{
    ScriptedFlow flow;
    flow.SetWndMsg(m_wnd, WM_WORKER_NOTIFY);
    const DWORD tick0 = GetTickCount();
    const __time64_t time0 = _time64(nullptr);
    flow.ShowTip(TIP_CAMERA_WAITING, 0);
    flow.ShowTip(TIP_CAMERA_CONNECTED, 2);
    const DWORD tick1 = GetTickCount();
    const __time64_t time1 = _time64(nullptr);

    Tip tip;
    ASSERT_TRUE(flow.GetTip(tip));
    EXPECT_EQ(TIP_CAMERA_WAITING, tip.code);
    EXPECT_LE(static_cast<DWORD>(tip.tick - tick0), static_cast<DWORD>(tick1 - tick0));
    EXPECT_GE(tip.time, time0);
    EXPECT_LE(tip.time, time1);
    ASSERT_TRUE(flow.GetTip(tip));
    EXPECT_EQ(TIP_CAMERA_CONNECTED, tip.code);
    EXPECT_EQ(2, tip.flag);
    EXPECT_FALSE(flow.GetTip(tip));
    EXPECT_EQ((std::vector<WPARAM>{NOTIFY_TIP, NOTIFY_TIP}), Messages(flow));
}

TEST_F(FlowTest, ATipForADeadWindowStaysQueued)
{
    ScriptedFlow flow;
    HWND gone = platform::user::AllocateWindowHandle();
    platform::user::ReleaseWindowHandle(gone);
    flow.SetWndMsg(gone, WM_WORKER_NOTIFY);
    flow.ShowTip(TIP_CAMERA_LOST, 0);
    Tip tip;
    ASSERT_TRUE(flow.GetTip(tip));
    EXPECT_EQ(TIP_CAMERA_LOST, tip.code);
}

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct TextCase {
    const char* name;
    std::string text;
    std::string stored;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class TextTips : public FlowTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextTips, KeepAtMost255BytesOfWholeCharacters)
{
    const auto& c = GetParam();
    ScriptedFlow flow;
    flow.SetWndMsg(m_wnd, WM_WORKER_NOTIFY);
    flow.ShowTip(CString(c.text), 5);
    Tip tip;
    ASSERT_TRUE(flow.GetTip(tip));
    EXPECT_EQ(-1, tip.code);
    EXPECT_EQ(5, tip.flag);
    EXPECT_EQ(c.stored, std::string(tip.text));
    EXPECT_EQ((std::vector<WPARAM>{NOTIFY_TIP}), Messages(flow));
}

const std::string kHan = "语";         // 3 bytes
const std::string kEmoji = "\U0001F600";  // 4 bytes

INSTANTIATE_TEST_SUITE_P(
    All, TextTips,
    ::testing::Values(TextCase{"short", "camera connected", "camera connected"}, TextCase{"empty", "", ""},
                      TextCase{"ascii_255", std::string(255, 'a'), std::string(255, 'a')},
                      TextCase{"ascii_256", std::string(256, 'a'), std::string(255, 'a')},
                      TextCase{"ascii_300", std::string(300, 'a'), std::string(255, 'a')},
                      TextCase{"han_fits_exactly", repeat(kHan, 85), repeat(kHan, 85)},
                      TextCase{"han_cut_before_split", std::string("a") + repeat(kHan, 85), std::string("a") + repeat(kHan, 84)},
                      TextCase{"emoji_cut_before_split", std::string("ab") + repeat(kEmoji, 64), std::string("ab") + repeat(kEmoji, 63)},
                      TextCase{"ascii_after_emoji", repeat(kEmoji, 63) + "abcd", repeat(kEmoji, 63) + "abc"}),
    [](const auto& info) { return std::string(info.param.name); });

// Tips queued on the worker while the window's thread takes them.
class TipSpammer : public CThreadActionFlow {
public:
    DWORD Action() override
    {
        for (int i = 0; i < kTips; ++i) ShowTip(100 + i, 0);
        return 1;
    }
    static constexpr int kTips = 500;
};

TEST_F(FlowTest, ThreadedTipsArriveInOrderWhileTaken)
{
    TipSpammer flow;
    flow.m_bNotify = 0;
    flow.SetWndMsg(m_wnd, WM_WORKER_NOTIFY);
    ASSERT_TRUE(flow.ThreadWorkerStart());
    std::vector<int> codes;
    while (codes.size() < TipSpammer::kTips + 1) {
        Tip tip;
        if (flow.GetTip(tip)) codes.push_back(tip.code);
    }
    for (int i = 0; i < TipSpammer::kTips; ++i) ASSERT_EQ(100 + i, codes[static_cast<std::size_t>(i)]);
    EXPECT_EQ(1, codes.back()) << "the end tip comes last";
    EXPECT_TRUE(flow.ThreadWorkerStop());
}

}  // namespace
