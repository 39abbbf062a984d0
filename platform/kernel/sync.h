// Critical sections, events and waits.
#pragma once

#include <mutex>

#include "platform/kernel/win_errors.h"
#include "platform/kernel/win_types.h"

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64u

// Re-entrant for the thread that holds it; released as often as it was entered.
struct CRITICAL_SECTION {
    alignas(std::recursive_mutex) unsigned char storage[sizeof(std::recursive_mutex)];
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

void InitializeCriticalSection(LPCRITICAL_SECTION cs);
void EnterCriticalSection(LPCRITICAL_SECTION cs);
void LeaveCriticalSection(LPCRITICAL_SECTION cs);
void DeleteCriticalSection(LPCRITICAL_SECTION cs);

// An event object. Names are not shared between processes here: a named event is a new event.
HANDLE CreateEventA(void* securityAttributes, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED (ERROR_INVALID_HANDLE) for a handle that is not a
// waitable object.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// WAIT_OBJECT_0 + index of the signalled object (waitAll: WAIT_OBJECT_0 when all are), WAIT_TIMEOUT,
// or WAIT_FAILED for a bad handle, a count of 0 or above MAXIMUM_WAIT_OBJECTS.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// The class library's event: created at construction, closed at destruction.
class CEvent {
public:
    explicit CEvent(BOOL bInitiallyOwn = FALSE, BOOL bManualReset = FALSE, LPCSTR lpszName = nullptr,
                    void* lpsaAttribute = nullptr);
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;
    virtual ~CEvent();

    BOOL SetEvent();
    BOOL ResetEvent();
    // TRUE when the event was signalled within the time-out.
    BOOL Lock(DWORD dwTimeout = INFINITE);

    operator HANDLE() const { return m_hObject; }

    HANDLE m_hObject;
};
