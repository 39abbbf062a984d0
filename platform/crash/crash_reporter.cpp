#include "platform/crash/crash_reporter.h"

#include <execinfo.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

// The signal handler runs with the program in an unknown state: it uses only async-signal-safe
// calls (open, write, close, time, raise) on memory prepared at install time, apart from
// backtrace, which is loaded at install so that it does not allocate at the fault.
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

char g_folder[PATH_MAX];
char g_appName[256];
char g_appVersion[64];
std::atomic<bool> g_installed{false};
std::atomic<bool> g_reporting{false};
alignas(16) char g_altStack[64 * 1024];

// A fixed buffer filled piece by piece, without allocating.
struct Text {
    char data[1024];
    std::size_t size = 0;

    void Add(const char* s)
    {
        while (*s && size + 1 < sizeof data)
            data[size++] = *s++;
        data[size] = '\0';
    }
    void AddNumber(unsigned long long v, int base = 10, int width = 0)
    {
        char digits[32];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[v % base];
            v /= base;
        } while (v != 0 && n < 32);
        while (n < width && n < 32)
            digits[n++] = '0';
        char out[33];
        for (int i = 0; i < n; ++i)
            out[i] = digits[n - 1 - i];
        out[n] = '\0';
        Add(out);
    }
};

const char* SignalName(int sig)
{
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

// Calendar date of a day count since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(long long z, long long* y, unsigned* m, unsigned* d)
{
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<long long>(yoe) + era * 400 + (*m <= 2);
}

void WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void WriteReport(int sig, const siginfo_t* info)
{
    time_t now = time(nullptr);
    long long days = now / 86400, secs = now % 86400;
    long long year;
    unsigned month, day;
    CivilFromDays(days, &year, &month, &day);

    Text path;
    path.Add(g_folder);
    path.Add("/crash_");
    path.AddNumber(static_cast<unsigned long long>(year), 10, 4);
    path.AddNumber(month, 10, 2);
    path.AddNumber(day, 10, 2);
    path.Add("_");
    path.AddNumber(static_cast<unsigned long long>(secs / 3600), 10, 2);
    path.AddNumber(static_cast<unsigned long long>(secs / 60 % 60), 10, 2);
    path.AddNumber(static_cast<unsigned long long>(secs % 60), 10, 2);
    path.Add("_");
    path.AddNumber(static_cast<unsigned long long>(getpid()));
    path.Add(".txt");
    int fd = open(path.data, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;

    Text head;
    head.Add("Crash report\napplication: ");
    head.Add(g_appName);
    head.Add("\nversion: ");
    head.Add(g_appVersion);
    head.Add("\nsignal: ");
    head.AddNumber(static_cast<unsigned long long>(sig));
    head.Add(" (");
    head.Add(SignalName(sig));
    head.Add(")\naddress: 0x");
    head.AddNumber(reinterpret_cast<unsigned long long>(info ? info->si_addr : nullptr), 16);
    head.Add("\ntime: ");
    head.AddNumber(static_cast<unsigned long long>(year), 10, 4);
    head.Add("-");
    head.AddNumber(month, 10, 2);
    head.Add("-");
    head.AddNumber(day, 10, 2);
    head.Add(" ");
    head.AddNumber(static_cast<unsigned long long>(secs / 3600), 10, 2);
    head.Add(":");
    head.AddNumber(static_cast<unsigned long long>(secs / 60 % 60), 10, 2);
    head.Add(":");
    head.AddNumber(static_cast<unsigned long long>(secs % 60), 10, 2);
    head.Add(" UTC\nprocess: ");
    head.AddNumber(static_cast<unsigned long long>(getpid()));
    head.Add("\nbacktrace:\n");
    WriteAll(fd, head.data, head.size);

    void* frames[64];
    int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, fd);
    close(fd);
}

void OnFatalSignal(int sig, siginfo_t* info, void*)
{
    // The handler is reset to the default by SA_RESETHAND; the signal ends the process once the
    // handler returns (a fault runs again, a raised signal is raised again below).
    if (!g_reporting.exchange(true))
        WriteReport(sig, info);
    raise(sig);
}

void Copy(char* out, std::size_t size, const char* text)
{
    std::strncpy(out, text ? text : "", size - 1);
    out[size - 1] = '\0';
}

}  // namespace

int InstallCrashReporter(const CRASH_INSTALL_INFO* info)
{
    if (info == nullptr || info->cb != sizeof(CRASH_INSTALL_INFO) || info->pszErrorReportSaveDir == nullptr ||
        info->pszErrorReportSaveDir[0] == '\0')
        return 1;
    if (g_installed.exchange(true))
        return 1;

    std::string folder = info->pszErrorReportSaveDir;
    if (folder[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd) == nullptr) {
            g_installed = false;
            return 1;
        }
        folder = std::string(cwd) + "/" + folder;
    }
    if ((mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) || folder.size() >= sizeof g_folder - 64) {
        g_installed = false;
        return 1;
    }
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        g_installed = false;
        return 1;
    }
    Copy(g_folder, sizeof g_folder, folder.c_str());
    Copy(g_appName, sizeof g_appName, info->pszAppName);
    Copy(g_appVersion, sizeof g_appVersion, info->pszAppVersion);

    void* warmUp[1];
    backtrace(warmUp, 1);

    stack_t alt{};
    alt.ss_sp = g_altStack;
    alt.ss_size = sizeof g_altStack;
    sigaltstack(&alt, nullptr);

    struct sigaction action{};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int sig : kSignals)
        sigaction(sig, &action, nullptr);
    return 0;
}
