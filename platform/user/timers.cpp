// Timers: each posts WM_TIMER (or has its procedure called) every elapse milliseconds to the
// thread that set it.
#include <algorithm>
#include <chrono>
#include <mutex>

#include "platform/kernel/clock.h"
#include "platform/user/window_tree.h"

namespace platform::user::detail {

namespace {

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    std::chrono::steady_clock::time_point due;
    std::thread::id thread;
};

std::mutex& timerMutex()
{
    static std::mutex* m = new std::mutex;
    return *m;
}

std::vector<Timer>& timers()
{
    static std::vector<Timer>* t = new std::vector<Timer>;
    return *t;
}

}  // namespace

bool TakeDueTimer(HWND filter, MSG* msg, bool remove)
{
    std::lock_guard lock(timerMutex());
    auto now = std::chrono::steady_clock::now();
    auto self = std::this_thread::get_id();
    Timer* best = nullptr;
    for (Timer& t : timers()) {
        if (t.thread != self || t.due > now) continue;
        if (filter != nullptr && t.hwnd != filter) continue;
        if (best == nullptr || t.due < best->due) best = &t;
    }
    if (best == nullptr) return false;
    *msg = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), GetTickCount(), POINT{0, 0}};
    if (remove) best->due = now + std::chrono::milliseconds(best->elapse);
    return true;
}

DWORD MsUntilNextTimer()
{
    std::lock_guard lock(timerMutex());
    auto now = std::chrono::steady_clock::now();
    auto self = std::this_thread::get_id();
    DWORD best = INFINITE;
    for (const Timer& t : timers()) {
        if (t.thread != self) continue;
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.due - now).count();
        DWORD d = ms <= 0 ? 0 : static_cast<DWORD>(ms);
        best = std::min(best, d);
    }
    return best;
}

void DropTimersOf(HWND hwnd)
{
    std::lock_guard lock(timerMutex());
    std::erase_if(timers(), [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

}  // namespace platform::user::detail

using namespace platform::user::detail;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc)
{
    if (hwnd != nullptr && !IsWindow(hwnd)) return 0;
    elapseMs = std::max(elapseMs, 10u);  // the shortest period Windows honours
    std::lock_guard lock(timerMutex());
    auto& all = timers();
    if (hwnd == nullptr) {
        UINT_PTR next = 0x7FFF0000;
        for (const Timer& t : all) next = std::max(next, t.id + 1);
        id = next;
    }
    std::erase_if(all, [hwnd, id](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    all.push_back(Timer{hwnd, id, elapseMs, proc, std::chrono::steady_clock::now() + std::chrono::milliseconds(elapseMs),
                        std::this_thread::get_id()});
    WakeQueue();
    return hwnd == nullptr ? id : (id == 0 ? 1 : id);
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    std::lock_guard lock(timerMutex());
    auto n = std::erase_if(timers(), [hwnd, id](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    return n ? TRUE : FALSE;
}
