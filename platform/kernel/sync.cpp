#include "platform/kernel/sync.h"

#include <new>
#include <vector>

#include "platform/kernel/waitable.h"

namespace {

std::recursive_mutex& mutexOf(LPCRITICAL_SECTION cs)
{
    return *std::launder(reinterpret_cast<std::recursive_mutex*>(cs->storage));
}

class Event final : public platform::kernel::Waitable {
public:
    Event(bool manualReset, bool signalled) : m_manual(manualReset), m_signalled(signalled) {}

    bool IsSignalledLocked() const override { return m_signalled; }
    void AcquireLocked() override
    {
        if (!m_manual) m_signalled = false;
    }
    void Set()
    {
        platform::kernel::ChangeWaitState([this] { m_signalled = true; });
    }
    void Reset()
    {
        platform::kernel::ChangeWaitState([this] { m_signalled = false; });
    }

private:
    const bool m_manual;
    bool m_signalled;
};

std::shared_ptr<Event> eventOf(HANDLE h)
{
    auto e = platform::kernel::LookupHandleAs<Event>(h);
    if (!e) SetLastError(ERROR_INVALID_HANDLE);
    return e;
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION cs) { new (cs->storage) std::recursive_mutex; }
void EnterCriticalSection(LPCRITICAL_SECTION cs) { mutexOf(cs).lock(); }
void LeaveCriticalSection(LPCRITICAL_SECTION cs) { mutexOf(cs).unlock(); }
void DeleteCriticalSection(LPCRITICAL_SECTION cs) { mutexOf(cs).~recursive_mutex(); }

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, LPCSTR)
{
    return platform::kernel::RegisterHandle(std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event)
{
    auto e = eventOf(event);
    if (!e) return FALSE;
    e->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event)
{
    auto e = eventOf(event);
    if (!e) return FALSE;
    e->Reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds)
{
    if (count == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    return platform::kernel::WaitForHandles(count, handles, waitAll != FALSE, milliseconds);
}

DWORD platform::kernel::WaitForHandles(DWORD count, const HANDLE* handles, bool waitAll, DWORD timeoutMs,
                                       const std::function<bool()>& ready)
{
    if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && handles == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        auto w = LookupHandleAs<Waitable>(handles[i]);
        if (!w) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(std::move(w));
    }
    return WaitForObjects(objects, waitAll, timeoutMs, ready);
}

CEvent::CEvent(BOOL bInitiallyOwn, BOOL bManualReset, LPCSTR lpszName, void* lpsaAttribute)
    : m_hObject(CreateEventA(lpsaAttribute, bManualReset, bInitiallyOwn, lpszName))
{
}

CEvent::~CEvent() { CloseHandle(m_hObject); }

BOOL CEvent::SetEvent() { return ::SetEvent(m_hObject); }
BOOL CEvent::ResetEvent() { return ::ResetEvent(m_hObject); }
BOOL CEvent::Lock(DWORD dwTimeout) { return WaitForSingleObject(m_hObject, dwTimeout) == WAIT_OBJECT_0; }
