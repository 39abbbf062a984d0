#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/crash/crash_reporter.h"
#include "platform/crash/debug_output.h"

namespace {

std::string MakeTempDir()
{
    const char* base = std::getenv("VANTREL_TEST_TMP");
    std::string root = base && *base ? base : "/tmp";
    std::string mk = "mkdir -p '" + root + "'";
    if (std::system(mk.c_str()) != 0)
        return "";
    std::string pattern = root + "/crash-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : "";
}

std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

CRASH_INSTALL_INFO Block(const char* folder)
{
    CRASH_INSTALL_INFO info{};
    info.cb = sizeof info;
    info.pszAppName = "Vantrel test";
    info.pszAppVersion = "1.0";
    info.dwFlags = 0x809FFF;
    info.pszErrorReportSaveDir = folder;
    return info;
}

// Runs `body` in a child process whose current folder is `dir`; returns its wait status.
template <class F>
int InChild(const std::string& dir, F body)
{
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(100);
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

struct CrashCase {
    const char* name;
    int signal;
    void (*crash)();
};

class CrashReport : public testing::TestWithParam<CrashCase> {};

TEST_P(CrashReport, IsWrittenIntoTheReportFolder)
{
    std::string dir = MakeTempDir();
    ASSERT_FALSE(dir.empty());
    int status = InChild(dir, [] {
        CRASH_INSTALL_INFO info = Block("./errlog");
        if (InstallCrashReporter(&info) != 0)
            _exit(101);
        GetParam().crash();
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), GetParam().signal) << "the process still ends by its signal";

    std::vector<std::string> reports = FilesIn(dir + "/errlog");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("crash_", 0), 0u);
    std::string text = ReadFile(dir + "/errlog/" + reports[0]);
    EXPECT_NE(text.find("application: Vantrel test\n"), std::string::npos) << text;
    EXPECT_NE(text.find("version: 1.0\n"), std::string::npos);
    EXPECT_NE(text.find("signal: " + std::to_string(GetParam().signal) + " (" + GetParam().name + ")"), std::string::npos)
        << text;
    EXPECT_NE(text.find("time: 20"), std::string::npos);
    std::size_t trace = text.find("backtrace:\n");
    ASSERT_NE(trace, std::string::npos);
    EXPECT_GT(text.size(), trace + 12) << "the backtrace has frames";
    ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}

[[maybe_unused]] void NullWrite()
{
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

INSTANTIATE_TEST_SUITE_P(Signals, CrashReport,
                         testing::Values(
#ifndef __SANITIZE_ADDRESS__
                                         // The address sanitizer reports a real fault itself.
                                         CrashCase{"SIGSEGV", SIGSEGV, NullWrite},
#endif
                                         CrashCase{"SIGSEGV", SIGSEGV, [] { raise(SIGSEGV); }},
                                         CrashCase{"SIGABRT", SIGABRT, [] { std::abort(); }},
                                         CrashCase{"SIGFPE", SIGFPE, [] { raise(SIGFPE); }},
                                         CrashCase{"SIGBUS", SIGBUS, [] { raise(SIGBUS); }},
                                         CrashCase{"SIGILL", SIGILL, [] { raise(SIGILL); }}),
                         [](const testing::TestParamInfo<CrashCase>& info) {
                             return std::string(info.param.name) + "_" + std::to_string(info.index);
                         });

TEST(InstallCrashReporter, RefusesBadBlocks)
{
    std::string dir = MakeTempDir();
    ASSERT_FALSE(dir.empty());
    int status = InChild(dir, [] {
        CRASH_INSTALL_INFO info = Block("./errlog");
        if (InstallCrashReporter(nullptr) == 0)
            _exit(1);
        CRASH_INSTALL_INFO wrongSize = info;
        wrongSize.cb = 104;  // a block of another layout
        if (InstallCrashReporter(&wrongSize) == 0)
            _exit(2);
        CRASH_INSTALL_INFO noFolder = info;
        noFolder.pszErrorReportSaveDir = "";
        if (InstallCrashReporter(&noFolder) == 0)
            _exit(3);
        std::ofstream("plain") << "a file, not a folder";
        CRASH_INSTALL_INFO underFile = info;
        underFile.pszErrorReportSaveDir = "plain/errlog";
        if (InstallCrashReporter(&underFile) == 0)
            _exit(4);
        if (InstallCrashReporter(&info) != 0)
            _exit(5);
        if (InstallCrashReporter(&info) == 0)
            _exit(6);  // installed once only
        _exit(0);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(FilesIn(dir + "/errlog").empty()) << "no crash, no report";
    ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}

TEST(InstallCrashReporter, AppNameAndVersionMayBeMissing)
{
    std::string dir = MakeTempDir();
    ASSERT_FALSE(dir.empty());
    int status = InChild(dir, [] {
        CRASH_INSTALL_INFO info = Block("reports");
        info.pszAppName = nullptr;
        info.pszAppVersion = nullptr;
        if (InstallCrashReporter(&info) != 0)
            _exit(1);
        raise(SIGSEGV);
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    std::vector<std::string> reports = FilesIn(dir + "/reports");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(ReadFile(dir + "/reports/" + reports[0]).find("application: \nversion: \n"), std::string::npos);
    ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}

TEST(OutputDebugString, WritesTheTextToStandardError)
{
    testing::internal::CaptureStderr();
    OutputDebugString("Load (resource): Error loading resource: 143\n");
    OutputDebugString(nullptr);
    OutputDebugString("");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Load (resource): Error loading resource: 143\n");
}

}  // namespace
