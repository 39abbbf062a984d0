// The program itself, run as a process with the emulated camera and settings of its own: a
// termination signal closes its window as the close button does, the program ends with status 0,
// and the settings are saved on the way out.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::path(std::getenv("VANTREL_TEST_TMP")) / ("program-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "config" / "vantrel");
        fs::create_directories(m_dir / "data");
    }
    void TearDown() override
    {
        if (m_pid > 0) kill(m_pid, SIGKILL), waitpid(m_pid, nullptr, 0);
        fs::remove_all(m_dir);
    }

    fs::path Registry() const { return m_dir / "config" / "vantrel" / "registry.ini"; }

    // Starts the program in the test's folder, which its crash reports go below.
    void Start()
    {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (entry.rfind("XDG_CONFIG_HOME=", 0) != 0 && entry.rfind("VANTREL_DATA_DIR=", 0) != 0) env.push_back(entry);
        }
        env.push_back("XDG_CONFIG_HOME=" + (m_dir / "config").string());
        env.push_back("VANTREL_DATA_DIR=" + (m_dir / "data").string() + "/");
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string program = VANTREL_PROGRAM;
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        const fs::path cwd = fs::current_path();
        fs::current_path(m_dir);
        ASSERT_EQ(posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
        fs::current_path(cwd);
    }

    // Whether the condition held within thirty seconds.
    template <class Condition>
    static bool WaitFor(Condition condition)
    {
        const DWORD start = GetTickCount();
        while (!condition()) {
            if (GetTickCount() - start > 30000) return false;
            Sleep(10);
        }
        return true;
    }

    // The status the program ended with, once it has ended; -1 when it did not end in time.
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

    fs::path m_dir;
    pid_t m_pid = -1;
};

TEST_F(Program, TerminationSignalClosesTheWindowAndSavesTheSettings)
{
    Start();
    // The crash reporter's folder is made at start-up, just before the signals are taken.
    ASSERT_TRUE(WaitFor([&] { return fs::exists(m_dir / "errlog"); }));
    ASSERT_EQ(kill(m_pid, SIGTERM), 0);
    const int status = Ended();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string text = RegistryText();
    for (const char* value : {"g_Language=dword:0", "g_MMaxTempture=", "g_CoefK=", "g_FlipMirror="})
        EXPECT_NE(text.find(value), std::string::npos) << value << " in\n" << text;
}

TEST_F(Program, StoredLanguageOutsideTheTableIsSavedAsEnglish)
{
    std::ofstream(Registry()) << "[HKEY_CURRENT_USER\\Vantrel]\ng_Language=dword:7\n";
    Start();
    ASSERT_TRUE(WaitFor([&] { return fs::exists(m_dir / "errlog"); }));
    ASSERT_EQ(kill(m_pid, SIGINT), 0);
    const int status = Ended();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(RegistryText().find("g_Language=dword:1"), std::string::npos) << RegistryText();
}

}  // namespace
