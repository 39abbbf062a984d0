// Threads of the class library (AfxBeginThread, CWinThread), sleeping, thread ids, priorities.
#pragma once

#include "platform/kernel/win_types.h"

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15

#define NORMAL_PRIORITY_CLASS 0x00000020u
#define IDLE_PRIORITY_CLASS 0x00000040u
#define HIGH_PRIORITY_CLASS 0x00000080u
#define REALTIME_PRIORITY_CLASS 0x00000100u
#define BELOW_NORMAL_PRIORITY_CLASS 0x00004000u
#define ABOVE_NORMAL_PRIORITY_CLASS 0x00008000u

using AFX_THREADPROC = UINT (*)(LPVOID);

// One thread started by AfxBeginThread. m_hThread is a waitable handle, signalled once the thread
// procedure has returned. With m_bAutoDelete (the default) the object deletes itself, and closes
// m_hThread, when the thread ends, so a caller keeps the pointer only as a token.
class CWinThread {
public:
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    virtual ~CWinThread();

    operator HANDLE() const { return m_hThread; }

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;

private:
    CWinThread() = default;
    friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD, void*);
};

// Starts proc(param) on a new thread; NULL when no thread could be created. The priority is applied
// as a nice value, best effort. dwCreateFlags and the security attributes are not used; stack sizes
// below 64 KiB are raised to 64 KiB.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0, void* lpSecurityAttrs = nullptr);

// Sleep(0) gives up the rest of the time slice.
void Sleep(DWORD milliseconds);
// The kernel's id of the calling thread.
DWORD GetCurrentThreadId();

// The pseudo-handle of the calling process, only good for SetPriorityClass.
HANDLE GetCurrentProcess();
// Sets the process's nice value from the class; TRUE when the system accepted it (raising the
// priority needs the right to do so, and callers ignore a failure).
BOOL SetPriorityClass(HANDLE process, DWORD priorityClass);
