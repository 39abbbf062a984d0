#include "platform/user/message_queue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <unordered_set>

#include "platform/kernel/win_types.h"

namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<MSG> messages;
    std::unordered_set<HWND> live;
    std::uintptr_t nextHandle = 0x10000;
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

// Finds the first matching message; the queue's mutex is held by the caller.
std::deque<MSG>::iterator findMatch(Queue& q, HWND hwnd, UINT first, UINT last)
{
    for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
        if (it->message == WM_QUIT || matches(*it, hwnd, first, last)) return it;
    }
    return q.messages.end();
}

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

BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT remove)
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    auto it = findMatch(q, hwnd, first, last);
    if (it == q.messages.end()) return FALSE;
    *msg = *it;
    if (remove & PM_REMOVE) q.messages.erase(it);
    return TRUE;
}

BOOL GetMessage(LPMSG msg, HWND hwnd, UINT first, UINT last)
{
    Queue& q = queue();
    std::unique_lock lock(q.mutex);
    for (;;) {
        auto it = findMatch(q, hwnd, first, last);
        if (it != q.messages.end()) {
            *msg = *it;
            q.messages.erase(it);
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        q.arrived.wait(lock);
    }
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

bool WaitForQueuedMessage(DWORD timeoutMs)
{
    Queue& q = queue();
    std::unique_lock lock(q.mutex);
    auto ready = [&q] { return !q.messages.empty(); };
    if (timeoutMs == INFINITE) {
        q.arrived.wait(lock, ready);
        return true;
    }
    return q.arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
}

}  // namespace platform::user
