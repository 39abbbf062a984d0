#include "platform/kernel/waitable.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/kernel/sync.h"

namespace platform::kernel {
namespace {

struct WaitState {
    std::mutex mutex;
    std::condition_variable changed;
};

WaitState& state()
{
    static WaitState* s = new WaitState;  // never destroyed: workers may signal during static destruction
    return *s;
}

// WAIT_OBJECT_0 + index when the wait is satisfied now, else WAIT_TIMEOUT. Wait lock held.
DWORD trySatisfy(std::span<const std::shared_ptr<Waitable>> objects, bool waitAll, const std::function<bool()>& ready)
{
    if (waitAll && !objects.empty()) {
        bool all = true;
        for (const auto& o : objects) all = all && o->IsSignalledLocked();
        if (all) {
            for (const auto& o : objects) o->AcquireLocked();
            return WAIT_OBJECT_0;
        }
    } else {
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]->IsSignalledLocked()) {
                objects[i]->AcquireLocked();
                return WAIT_OBJECT_0 + static_cast<DWORD>(i);
            }
        }
    }
    if (ready && ready()) return WAIT_OBJECT_0 + static_cast<DWORD>(objects.size());
    return WAIT_TIMEOUT;
}

}  // namespace

void ChangeWaitState(const std::function<void()>& change)
{
    WaitState& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (change) change();
    }
    s.changed.notify_all();
}

void WakeWaiters() { ChangeWaitState(nullptr); }

DWORD WaitForObjects(std::span<const std::shared_ptr<Waitable>> objects, bool waitAll, DWORD timeoutMs,
                     const std::function<bool()>& ready)
{
    WaitState& s = state();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(s.mutex);
    for (;;) {
        DWORD r = trySatisfy(objects, waitAll, ready);
        if (r != WAIT_TIMEOUT) return r;
        if (timeoutMs == INFINITE) {
            s.changed.wait(lock);
        } else if (std::chrono::steady_clock::now() >= deadline) {
            // A poll (time-out 0) or an expired deadline: no trip through the condition variable.
            return WAIT_TIMEOUT;
        } else if (s.changed.wait_until(lock, deadline) == std::cv_status::timeout) {
            return trySatisfy(objects, waitAll, ready);
        }
    }
}

}  // namespace platform::kernel
