#include "platform/user/message_queue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/kernel/waitable.h"
#include "platform/kernel/win_types.h"
#include "platform/user/input.h"
#include "platform/user/surface.h"
#include "platform/user/window_tree.h"

namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<MSG> messages;
    std::unordered_set<HWND> live;
    std::uintptr_t nextHandle = 0x10000;
    int wakeups = 0;  // something other than a posted message wants the waiting thread
};

Queue& queue()
{
    static Queue* q = new Queue;  // never destroyed: workers may post during static destruction
    return *q;
}

DWORD nowMs()
{
    using namespace std::chrono;
    return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool matches(const MSG& m, HWND hwnd, UINT first, UINT last)
{
    if (hwnd != nullptr && m.hwnd != hwnd) return false;
    if (first == 0 && last == 0) return true;
    return m.message >= first && m.message <= last;
}

// Finds the first matching message; the queue's mutex is held by the caller. Input records wait
// for a look at every message, only then is their turn known to have come, and for the record
// being taken (inputTakeable false) to have made its messages.
std::deque<MSG>::iterator findMatch(Queue& q, HWND hwnd, UINT first, UINT last, bool inputTakeable)
{
    const bool any = hwnd == nullptr && first == 0 && last == 0;
    for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
        if (it->message == platform::user::input::kInputRecord) {
            if (any && inputTakeable) return it;
            continue;
        }
        if (it->message == WM_QUIT || matches(*it, hwnd, first, last)) return it;
    }
    return q.messages.end();
}

bool matchesNumber(UINT message, UINT first, UINT last)
{
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

// Without a display's own wake-up, its events are looked for this often while a thread waits.
constexpr DWORD kHostPollMs = 5;

}  // namespace

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Queue& q = queue();
    {
        std::lock_guard lock(q.mutex);
        if (q.live.count(hwnd) == 0) return FALSE;
        q.messages.push_back(MSG{hwnd, message, wParam, lParam, nowMs(), POINT{0, 0}});
    }
    q.arrived.notify_all();
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    Queue& q = queue();
    {
        std::lock_guard lock(q.mutex);
        q.messages.push_back(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0, nowMs(), POINT{0, 0}});
    }
    q.arrived.notify_all();
}

namespace {

// Looks for a message as Windows takes them: sent messages of other threads are handled first,
// then posted and input messages in order, then WM_PAINT for a window with an update region, then
// due timers. What changed on the screen meanwhile is presented when due (see surface.h).
BOOL findMessage(LPMSG msg, HWND hwnd, UINT first, UINT last, bool remove)
{
    using namespace platform::user::detail;
    ServeSentMessages();
    HostPumpEvents();
    Queue& q = queue();
    const bool inputTakeable = !platform::user::input::TakingInput();
    bool found = false;
    for (;;) {
        MSG record;
        {
            std::lock_guard lock(q.mutex);
            auto it = findMatch(q, hwnd, first, last, inputTakeable);
            if (it == q.messages.end()) break;
            if (it->message != platform::user::input::kInputRecord) {
                *msg = *it;
                if (remove) q.messages.erase(it);
                found = true;
                break;
            }
            // A record is only ever found at the front; its messages take its place there.
            record = *it;
            q.messages.erase(it);
        }
        std::vector<MSG> made;
        platform::user::input::TakeInput(record, &made);
        std::lock_guard lock(q.mutex);
        q.messages.insert(q.messages.begin(), made.begin(), made.end());
    }
    if (!found && matchesNumber(WM_PAINT, first, last)) {
        if (HWND target = FindPaintTarget(hwnd)) {
            *msg = MSG{target, WM_PAINT, 0, 0, nowMs(), POINT{0, 0}};
            PresentIfDue(target);
            return TRUE;
        }
    }
    if (!found) found = matchesNumber(WM_TIMER, first, last) && TakeDueTimer(hwnd, msg, remove);
    if (found) PresentIfDue(nullptr);
    return found ? TRUE : FALSE;
}

}  // namespace

BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT remove)
{
    if (msg == nullptr) return FALSE;
    if (remove & PM_QS_SENDMESSAGE) {
        platform::user::detail::ServeSentMessages();
        return FALSE;
    }
    if (findMessage(msg, hwnd, first, last, (remove & PM_REMOVE) != 0)) return TRUE;
    platform::user::PresentChangedWindows();
    return FALSE;
}

BOOL GetMessage(LPMSG msg, HWND hwnd, UINT first, UINT last)
{
    using namespace platform::user::detail;
    if (msg == nullptr) return FALSE;
    for (;;) {
        if (findMessage(msg, hwnd, first, last, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        platform::user::PresentChangedWindows();
        DWORD wait = MsUntilNextTimer();
        if (HostHasWindows()) wait = std::min<DWORD>(wait, kHostPollMs);
        Queue& q = queue();
        const bool inputTakeable = !platform::user::input::TakingInput();
        std::unique_lock lock(q.mutex);
        if (findMatch(q, hwnd, first, last, inputTakeable) != q.messages.end() || q.wakeups != 0) {
            q.wakeups = 0;
            continue;
        }
        if (wait == INFINITE) q.arrived.wait(lock, [&q] { return q.wakeups != 0 || !q.messages.empty(); });
        else q.arrived.wait_for(lock, std::chrono::milliseconds(wait), [&q] { return q.wakeups != 0 || !q.messages.empty(); });
        q.wakeups = 0;
    }
}

void WaitMessage()
{
    using namespace platform::user::detail;
    MSG m;
    if (findMessage(&m, nullptr, 0, 0, false)) return;
    platform::user::PresentChangedWindows();
    DWORD wait = MsUntilNextTimer();
    if (HostHasWindows()) wait = std::min<DWORD>(wait, kHostPollMs);
    Queue& q = queue();
    std::unique_lock lock(q.mutex);
    if (q.wakeups != 0 || !q.messages.empty()) {
        q.wakeups = 0;
        return;
    }
    if (wait == INFINITE) q.arrived.wait(lock, [&q] { return q.wakeups != 0 || !q.messages.empty(); });
    else q.arrived.wait_for(lock, std::chrono::milliseconds(wait), [&q] { return q.wakeups != 0 || !q.messages.empty(); });
    q.wakeups = 0;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask)
{
    std::function<bool()> sentHere;
    if (wakeMask & QS_SENDMESSAGE) sentHere = platform::user::detail::HasSentMessages;
    return platform::kernel::WaitForHandles(count, handles, waitAll != FALSE, milliseconds, sentHere);
}

BOOL IsWindow(HWND hwnd)
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    return q.live.count(hwnd) != 0 ? TRUE : FALSE;
}

namespace platform::user {

HWND AllocateWindowHandle()
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    HWND h = reinterpret_cast<HWND>(q.nextHandle);
    q.nextHandle += 0x10;
    q.live.insert(h);
    return h;
}

void ReleaseWindowHandle(HWND hwnd)
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    q.live.erase(hwnd);
    std::erase_if(q.messages, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
}

void detail::QueueInput(const MSG& record)
{
    Queue& q = queue();
    {
        std::lock_guard lock(q.mutex);
        q.messages.push_back(record);
    }
    q.arrived.notify_all();
}

void detail::WakeQueue()
{
    Queue& q = queue();
    {
        std::lock_guard lock(q.mutex);
        ++q.wakeups;
    }
    q.arrived.notify_all();
}

bool TakeModalLoopMessage(MSG* msg)
{
    while (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) WaitMessage();
    if (msg->message != WM_QUIT) return true;
    PostQuitMessage(static_cast<int>(msg->wParam));
    return false;
}

bool WaitForQueuedMessage(DWORD timeoutMs)
{
    Queue& q = queue();
    std::unique_lock lock(q.mutex);
    auto ready = [&q] { return !q.messages.empty() || detail::HasSentMessages(); };
    if (timeoutMs == INFINITE) {
        q.arrived.wait(lock, ready);
        return true;
    }
    return q.arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
}

}  // namespace platform::user
