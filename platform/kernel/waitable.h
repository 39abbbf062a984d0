// Objects a thread can wait for (events, the end of a thread) and the one wait routine behind
// WaitForSingleObject, WaitForMultipleObjects and the user-interface message wait.
//
// The state of every Waitable is guarded by one process-wide wait lock, so that a wait on several
// objects, or on objects and another condition, sees one consistent picture and cannot miss a wake-up.
#pragma once

#include <functional>
#include <memory>
#include <span>

#include "platform/kernel/handle_table.h"
#include "platform/kernel/win_types.h"

namespace platform::kernel {

class Waitable : public KernelObject {
public:
    // Both are called with the wait lock held.
    virtual bool IsSignalledLocked() const = 0;
    // A wait was satisfied by this object: an auto-reset object clears itself here.
    virtual void AcquireLocked() {}
};

// Runs change with the wait lock held, then wakes every waiting thread to look again. Object
// state changes go through here. change must not wait or take the wait lock itself.
void ChangeWaitState(const std::function<void()>& change);

// Wakes every waiting thread to look again; for a concern whose extra condition (a queued message)
// has become true. Must be called without holding a lock that the ready predicate takes.
void WakeWaiters();

// Waits until one object (waitAll: every object at once) is signalled, or ready() holds, or
// timeoutMs (INFINITE: never) has passed. ready is called with the wait lock held and may take
// locks of its own. Returns WAIT_OBJECT_0 + the index of the object that satisfied the wait
// (waitAll: WAIT_OBJECT_0), WAIT_OBJECT_0 + objects.size() when ready() held, or WAIT_TIMEOUT.
// Satisfying objects are acquired (auto-reset ones cleared) before it returns.
DWORD WaitForObjects(std::span<const std::shared_ptr<Waitable>> objects, bool waitAll, DWORD timeoutMs,
                     const std::function<bool()>& ready = nullptr);

// WaitForObjects over handles, as WaitForMultipleObjects takes them: WAIT_FAILED (with the last
// error set) for a bad handle or more than MAXIMUM_WAIT_OBJECTS of them. No handles at all is a
// wait for ready() alone.
DWORD WaitForHandles(DWORD count, const HANDLE* handles, bool waitAll, DWORD timeoutMs,
                     const std::function<bool()>& ready = nullptr);

}  // namespace platform::kernel
