#include "foundation/CZelThreadWorker.h"

#include "platform/kernel/clock.h"
#include "platform/user/message_queue.h"

namespace {

// Waits for the event while handling the messages that other threads send to this thread's
// windows: a worker that is inside a SendMessage to this thread cannot finish until it is served.
bool WaitServingSentMessages(HANDLE event, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        const DWORD woken = MsgWaitForMultipleObjects(1, &event, FALSE, left, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

CZelThreadWorker::CZelThreadWorker(CEvent* pStopEvent, int nStopTimeOut)
    : m_nStopTimeOut(nStopTimeOut), m_evFinished(TRUE, TRUE)
{
    TakeStopEvent(pStopEvent);
}

CZelThreadWorker::~CZelThreadWorker()
{
    if (m_bOwnStopEvent) delete m_pStopEvent;
}

void CZelThreadWorker::TakeStopEvent(CEvent* pStopEvent)
{
    if (pStopEvent != nullptr) {
        m_pStopEvent = pStopEvent;
        m_bOwnStopEvent = 0;
    } else {
        m_pStopEvent = new CEvent(FALSE, TRUE);
        m_bOwnStopEvent = 1;
    }
}

void CZelThreadWorker::SetEvent(CEvent* pStopEvent, int)
{
    if (m_bOwnStopEvent) delete m_pStopEvent;
    TakeStopEvent(pStopEvent);
}

BOOL CZelThreadWorker::ThreadWorkerStart()
{
    // Two threads must never run one worker's body: while an earlier thread has not finished (its
    // stop timed out), there is no second start.
    if (WaitForSingleObject(m_evFinished, 0) != WAIT_OBJECT_0) return FALSE;
    m_pStopEvent->ResetEvent();
    // Not finished from here on, so that a stop or a second start right away sees the thread.
    m_evFinished.ResetEvent();
    CWinThread* thread = AfxBeginThread(ThreadProc, this, THREAD_PRIORITY_NORMAL, 0, 0, nullptr);
    if (thread == nullptr) {
        m_evFinished.SetEvent();
        return FALSE;
    }
    m_pThread = thread;
    return TRUE;
}

UINT CZelThreadWorker::ThreadProc(LPVOID pParam)
{
    auto* worker = static_cast<CZelThreadWorker*>(pParam);
    worker->m_evFinished.ResetEvent();
    worker->ActionRun();
    // The last touch of the worker: once this is set, its owner may delete it.
    worker->m_evFinished.SetEvent();
    return 0;
}

BOOL CZelThreadWorker::ThreadWorkerStop()
{
    m_pStopEvent->SetEvent();
    // A negative time-out waits not at all rather than for ever.
    const DWORD timeout = m_nStopTimeOut > 0 ? static_cast<DWORD>(m_nStopTimeOut) : 0;
    if (!WaitServingSentMessages(m_evFinished, timeout)) return FALSE;
    m_pThread = nullptr;
    return TRUE;
}

BOOL CZelThreadWorker::IsThreadWorkerRunning()
{
    return WaitForSingleObject(m_evFinished, 1) == WAIT_TIMEOUT ? TRUE : FALSE;
}

DWORD CZelThreadWorker::WaitCmdExit(unsigned int ms)
{
    return WaitForSingleObject(*m_pStopEvent, ms) == WAIT_OBJECT_0 ? 1 : 0;
}
