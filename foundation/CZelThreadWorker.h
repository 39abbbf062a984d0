// The base of every background worker: one thread running ActionRun, a stop event that asks it to
// end, a finished event that says it has, and a time-out for the stop.
#pragma once

#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

class CZelThreadWorker {
public:
    // Without a stop event, the worker makes (and owns) a manual-reset one, not signalled.
    explicit CZelThreadWorker(CEvent* pStopEvent = nullptr, int nStopTimeOut = 1000);
    // Neither stops nor waits for the thread: owners stop their workers first.
    virtual ~CZelThreadWorker();
    CZelThreadWorker(const CZelThreadWorker&) = delete;
    CZelThreadWorker& operator=(const CZelThreadWorker&) = delete;

    // Replaces the stop event (NULL: a new owned one). The int is not used.
    void SetEvent(CEvent* pStopEvent, int nUnused = 0);

    // Resets the stop event and starts ActionRun on a new thread. FALSE when no thread could be
    // made, and also while an earlier thread of this worker has not finished yet.
    BOOL ThreadWorkerStart();
    // Sets the stop event and waits up to the stop time-out for the thread to finish, handling
    // meanwhile the messages that other threads send to this thread's windows (the body may be
    // inside such a SendMessage). FALSE when it did not finish: the thread runs on, the stop event
    // stays set.
    BOOL ThreadWorkerStop();
    BOOL IsThreadWorkerRunning();
    // 1 when the stop event is signalled within ms milliseconds, else 0.
    DWORD WaitCmdExit(unsigned int ms);

    // The thread body.
    virtual DWORD ActionRun() = 0;

    // A state or mode word of each worker's own.
    int m_nAction = 0;

protected:
    CEvent* m_pStopEvent = nullptr;
    int m_nStopTimeOut;
    // Signalled while no thread body runs.
    CEvent m_evFinished;
    CWinThread* m_pThread = nullptr;

private:
    static UINT ThreadProc(LPVOID pParam);
    void TakeStopEvent(CEvent* pStopEvent);

    int m_bOwnStopEvent = 0;
};
