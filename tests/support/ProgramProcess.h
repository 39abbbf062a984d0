// The program `vantrel` run as a process of its own by a test or a benchmark: in a folder of its own (its crash
// reports go below it), with settings and data folders of its own and the emulated camera.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;
// The leak checker's suppressions of the test programs (system libraries only), when linked in.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions();

namespace app_test {

class ProgramProcess {
public:
    explicit ProgramProcess(const std::string& name)
    {
        const char* tmp = std::getenv("VANTREL_TEST_TMP");
        m_dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / (name + "-" + std::to_string(getpid()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir / "config" / "vantrel");
        std::filesystem::create_directories(m_dir / "data");
    }
    ~ProgramProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // The program is started under a file-size limit of this many bytes (0: none), as with
    // `prlimit --fsize`.
    void LimitFileSize(std::uint64_t bytes) { m_fileSizeLimit = bytes; }

    const std::filesystem::path& Dir() const { return m_dir; }
    std::filesystem::path Registry() const { return m_dir / "config" / "vantrel" / "registry.ini"; }
    pid_t Pid() const { return m_pid; }

    // Starts the program with this environment, changed by `overrides` (an empty value removes
    // the variable).
    bool Start(std::map<std::string, std::string> overrides = {})
    {
        overrides["XDG_CONFIG_HOME"] = (m_dir / "config").string();
        overrides["VANTREL_DATA_DIR"] = (m_dir / "data").string() + "/";
        overrides.emplace("VANTREL_CAMERA", "emulated");
        // Under the leak checker the program passes over what the test programs pass over.
        if (__lsan_default_suppressions != nullptr) {
            const std::filesystem::path suppressions = m_dir / "lsan.supp";
            std::ofstream(suppressions) << __lsan_default_suppressions();
            overrides.emplace("LSAN_OPTIONS", "suppressions=" + suppressions.string());
        }
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (overrides.count(entry.substr(0, entry.find('='))) == 0) env.push_back(entry);
        }
        for (const auto& [name, value] : overrides)
            if (!value.empty()) env.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<std::string> args;
        if (m_fileSizeLimit > 0) args = {"prlimit", "--fsize=" + std::to_string(m_fileSizeLimit), "--"};
        args.push_back(VANTREL_PROGRAM);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string path = Executable(args[0]);
        if (path.empty()) return false;
        const pid_t parent = getpid();
        m_pid = fork();
        if (m_pid < 0) return false;
        if (m_pid == 0) {
            // Only calls safe between fork and exec. The program ends with this process, so a test
            // that crashes or is stopped at its time-out leaves no program behind for the tests
            // after it; the death signal outlives the exec (also that of prlimit).
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) _exit(127);
            // The program starts with the default action of SIGXFSZ, as from a shell, whatever
            // this process does with it.
            struct sigaction defaultAction {};
            defaultAction.sa_handler = SIG_DFL;
            sigaction(SIGXFSZ, &defaultAction, nullptr);
            if (chdir(m_dir.c_str()) != 0) _exit(127);
            execve(path.c_str(), argv.data(), envp.data());
            _exit(127);
        }
        return true;
    }

    // Whether the program has taken the termination signals: its crash reports' folder is made
    // just after.
    bool WaitUntilStarted() const
    {
        return WaitFor([&] { return std::filesystem::exists(m_dir / "errlog"); });
    }

    // Whether the program has ended (it is not reaped: Ended still gives its status).
    bool HasEnded() const
    {
        siginfo_t info{};
        return m_pid > 0 && waitid(P_PID, m_pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == m_pid;
    }

    // The status the program ended with (as waitpid gives it), once it has ended; -1 when it did
    // not end in time.
    int Ended()
    {
        int status = 0;
        if (!WaitFor([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; })) return -1;
        m_pid = -1;
        return status;
    }

    std::string RegistryText() const
    {
        std::ifstream in(Registry());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Whether the condition held within thirty seconds.
    template <class Condition>
    static bool WaitFor(Condition condition)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

private:
    // The file that runs as `name`: itself when it names a path, else the first of PATH's.
    static std::string Executable(const std::string& name)
    {
        if (name.find('/') != std::string::npos) return name;
        const char* path = std::getenv("PATH");
        std::stringstream folders(path ? path : "/usr/bin:/bin");
        for (std::string folder; std::getline(folders, folder, ':');) {
            const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        return {};
    }

    std::filesystem::path m_dir;
    pid_t m_pid = -1;
    std::uint64_t m_fileSizeLimit = 0;
};

}  // namespace app_test
