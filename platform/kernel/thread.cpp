#include "platform/kernel/thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <future>
#include <memory>

#include "platform/kernel/waitable.h"
#include "platform/kernel/win_errors.h"

namespace {

// Signalled once the thread procedure has returned.
class ThreadEnd final : public platform::kernel::Waitable {
public:
    bool IsSignalledLocked() const override { return m_ended; }
    void Finish()
    {
        platform::kernel::ChangeWaitState([this] { m_ended = true; });
    }

private:
    bool m_ended = false;
};

struct Start {
    CWinThread* thread;
    std::shared_ptr<ThreadEnd> end;
    AFX_THREADPROC proc;
    LPVOID param;
    int priority;
    std::promise<void> idKnown;
};

// Windows priorities run from -15 (idle) to 15 (time critical); nice from 19 to -20.
int niceFor(int priority) { return std::clamp(-priority, -20, 19); }

void* run(void* arg)
{
    std::unique_ptr<Start> start(static_cast<Start*>(arg));
    start->thread->m_nThreadID = static_cast<DWORD>(gettid());
    start->idKnown.set_value();
    if (start->priority != THREAD_PRIORITY_NORMAL) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), niceFor(start->priority));
    }
    start->proc(start->param);
    CWinThread* thread = start->thread;
    const bool autoDelete = thread->m_bAutoDelete != FALSE;
    start->end->Finish();
    if (autoDelete) delete thread;
    return nullptr;
}

}  // namespace

CWinThread::~CWinThread()
{
    if (m_hThread != nullptr) CloseHandle(m_hThread);
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize, DWORD,
                           void*)
{
    if (pfnThreadProc == nullptr) return nullptr;
    auto end = std::make_shared<ThreadEnd>();
    auto* thread = new CWinThread;
    thread->m_hThread = platform::kernel::RegisterHandle(end);

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    // A tiny stack request is raised to room for the layer's own calls.
    constexpr std::size_t kMinStack = 64 * 1024;
    if (nStackSize != 0) {
        pthread_attr_setstacksize(&attr, std::max<std::size_t>({nStackSize, kMinStack, static_cast<std::size_t>(PTHREAD_STACK_MIN)}));
    }

    auto* start = new Start{thread, end, pfnThreadProc, pParam, nPriority, {}};
    std::future<void> idKnown = start->idKnown.get_future();
    pthread_t id;
    int err = pthread_create(&id, &attr, run, start);
    pthread_attr_destroy(&attr);
    if (err != 0) {
        delete start;
        delete thread;
        SetLastError(platform::kernel::ErrorFromErrno(err));
        return nullptr;
    }
    // The new thread stores its id first, so that the caller can read m_nThreadID at once.
    idKnown.wait();
    return thread;
}

void Sleep(DWORD milliseconds)
{
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(gettid()); }

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

BOOL SetPriorityClass(HANDLE process, DWORD priorityClass)
{
    if (process != GetCurrentProcess()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    int nice;
    switch (priorityClass) {
    case IDLE_PRIORITY_CLASS: nice = 19; break;
    case BELOW_NORMAL_PRIORITY_CLASS: nice = 5; break;
    case NORMAL_PRIORITY_CLASS: nice = 0; break;
    case ABOVE_NORMAL_PRIORITY_CLASS: nice = -5; break;
    case HIGH_PRIORITY_CLASS: nice = -10; break;
    case REALTIME_PRIORITY_CLASS: nice = -20; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    if (setpriority(PRIO_PROCESS, 0, nice) != 0) {
        SetLastError(platform::kernel::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
