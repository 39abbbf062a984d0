// The program itself, run as a process with the emulated camera and settings of its own: a
// termination signal closes its window as the close button does, the program ends with status 0,
// and the settings are saved on the way out.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/ProgramProcess.h"

namespace {

using app_test::ProgramProcess;

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
