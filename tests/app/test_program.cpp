// The program itself, run as a process with the emulated camera and settings of its own: a
// termination signal closes its window as the close button does, the program ends with status 0,
// and the settings are saved on the way out, also with FIFOs among its data files.
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/Fifo.h"
#include "tests/support/ProgramProcess.h"

namespace {

using app_test::ProgramProcess;

// Tells whether each of some files has been opened since the watch began, by anyone.
class OpenWatch {
public:
    explicit OpenWatch(const std::vector<std::string>& paths) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        for (const std::string& path : paths)
            m_unopened.insert(inotify_add_watch(m_fd, path.c_str(), IN_OPEN));
    }
    ~OpenWatch() { close(m_fd); }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    bool AllOpened()
    {
        alignas(inotify_event) char events[4096];
        ssize_t bytes = 0;
        while ((bytes = read(m_fd, events, sizeof events)) > 0) {
            for (char* at = events; at < events + bytes;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->mask & IN_OPEN)
                    m_unopened.erase(event->wd);
                at += sizeof(inotify_event) + event->len;
            }
        }
        return m_unopened.empty();
    }

private:
    int m_fd;
    std::set<int> m_unopened;  // watch descriptors; -1 for a watch that could not be set
};

TEST(Program, TerminationSignalClosesTheWindowAndSavesTheSettings)
{
    ProgramProcess program("program");
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitUntilStarted());
    ASSERT_EQ(kill(program.Pid(), SIGTERM), 0);
    const int status = program.Ended();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string text = program.RegistryText();
    for (const char* value : {"g_Language=dword:0", "g_MMaxTempture=", "g_CoefK=", "g_FlipMirror="})
        EXPECT_NE(text.find(value), std::string::npos) << value << " in\n" << text;
}

TEST(Program, FifosAmongTheDataFilesHoldNeitherTheScansNorTheEnd)
{
    ProgramProcess program("program-fifos");
    Fifo snapshot((program.Dir() / "data" / "pipe.ir").string());
    Fifo video((program.Dir() / "data" / "pipe.avi").string());
    ASSERT_TRUE(snapshot.Made() && video.Made());
    OpenWatch watch({(program.Dir() / "data" / "pipe.ir").string(), (program.Dir() / "data" / "pipe.avi").string()});
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitUntilStarted());
    // Each thumbnail loader has come to its FIFO.
    ASSERT_TRUE(ProgramProcess::WaitFor([&] { return watch.AllOpened(); }));
    ASSERT_EQ(kill(program.Pid(), SIGTERM), 0);
    const int status = program.Ended();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(program.RegistryText().find("g_Language=dword:0"), std::string::npos) << program.RegistryText();
    EXPECT_FALSE(snapshot.HeldAReader());
    EXPECT_FALSE(video.HeldAReader());
}

TEST(Program, StoredLanguageOutsideTheTableIsSavedAsEnglish)
{
    ProgramProcess program("program");
    std::ofstream(program.Registry()) << "[HKEY_CURRENT_USER\\Vantrel]\ng_Language=dword:7\n";
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitUntilStarted());
    ASSERT_EQ(kill(program.Pid(), SIGINT), 0);
    const int status = program.Ended();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(program.RegistryText().find("g_Language=dword:1"), std::string::npos) << program.RegistryText();
}

}  // namespace
