#include "platform/user/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

// The handler only counts the signal and writes one byte into a pipe, both safe in a signal
// handler; a thread of its own reads the pipe and posts the close, which takes locks.
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> g_signalCount{0};
int g_pipe[2] = {-1, -1};

struct Target {
    std::mutex mutex;
    HWND window = nullptr;
    bool pending = false;
};

Target& target()
{
    static Target* t = new Target;
    return *t;
}

void onSignal(int sig)
{
    if (g_signalCount.fetch_add(1) > 0) {
        // The second one: the default action, as soon as this handler returns.
        signal(sig, SIG_DFL);
        raise(sig);
        return;
    }
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

void closeTarget()
{
    {
        Target& t = target();
        std::lock_guard lock(t.mutex);
        if (t.window == nullptr || !PostMessage(t.window, WM_CLOSE, 0, 0)) t.pending = true;
    }
    // Behind the close, the end of every modal loop that runs (a dialog or a message box over the
    // window): each passes WM_QUIT on as it ends, so that the program does not wait for a user.
    PostQuitMessage(0);
}

void watch()
{
    for (;;) {
        char byte;
        const ssize_t n = read(g_pipe[0], &byte, 1);
        if (n == 1) closeTarget();
        else if (n == 0 || errno != EINTR) return;
    }
}

bool install()
{
    if (pipe2(g_pipe, O_CLOEXEC) != 0) return false;
    std::thread(watch).detach();
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : kSignals)
        if (sigaction(sig, &action, nullptr) != 0) return false;
    return true;
}

}  // namespace

BOOL TakeTerminationSignals()
{
    static const bool installed = install();
    return installed ? TRUE : FALSE;
}

void CloseWindowOnTerminationSignals(HWND window)
{
    Target& t = target();
    std::lock_guard lock(t.mutex);
    t.window = window;
    if (window != nullptr && t.pending && PostMessage(window, WM_CLOSE, 0, 0)) t.pending = false;
}
