// The program itself on a real X server, run as a user runs it: it starts maximised with the
// camera's live image, a click on a mode button and on the language button acts, Snap and Rec
// leave their files and thumbnails, and its close button ends it with exit status 0 and the
// settings saved.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/kernel/thread.h"
#include "tests/support/ProgramProcess.h"
#include "tests/xserver/ScreenTestSupport.h"
#include "tests/xserver/XServer.h"

namespace xserver_test {
namespace {

using namespace std::chrono_literals;

constexpr int kTolerance = 8;
// The main window's own colours: the line under the title and the buttons' default border.
const std::uint32_t kTitleLine = Rgb(0, 174, 254);
const std::uint32_t kButtonBorder = Rgb(0, 174, 254);

class ProgramOnXServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string display = XServer::NamedDisplay();
        if (display.empty()) GTEST_SKIP() << "no X server named in VANTREL_XSERVER_DISPLAY: scripts/test starts one";
        std::string reason;
        ASSERT_TRUE(m_x.Open(display, &reason)) << reason;
        ASSERT_TRUE(m_program.Start({{"DISPLAY", display}, {"SDL_VIDEODRIVER", "x11"}}));
        m_screen = m_x.Grab(RECT{0, 0, 1, 1});
    }
    void TearDown() override
    {
        if (HasFailure() && m_screen.width > 1)
            platform::user::WritePictureToPng(m_screen, ArtefactPath("xserver-program-screen.png"));
    }

    // Waits, reading the screen back, until the condition holds of it.
    bool WaitForScreen(const std::function<bool(const Picture&)>& condition)
    {
        const auto deadline = Clock::now() + 30s;
        for (;;) {
            m_screen = m_x.Grab(RECT{0, 0, m_width, m_height});
            if (condition(m_screen)) return true;
            if (Clock::now() > deadline) return false;
            Sleep(50);
        }
    }
    bool Near(const Picture& p, int x, int y, std::uint32_t colour) const
    {
        return Inside(p, POINT{x, y}) && ColourDistance(p.at(x, y), colour) <= kTolerance;
    }
    // The maximised window on the whole screen: its title line across, its gradient at both ends.
    bool MaximisedWindowShown(const Picture& p) const
    {
        return Near(p, 0, 130, kTitleLine) && Near(p, m_width / 2, 130, kTitleLine) &&
               Near(p, m_width - 1, 130, kTitleLine) && Near(p, 2, m_height - 3, Rgb(0, 12, 21)) &&
               Near(p, m_width - 3, m_height - 3, Rgb(1, 23, 50));
    }
    // The thermal display shows the bench scene: its warm components are bright.
    bool LiveImageShown(const Picture& p) const
    {
        const RECT display{125, 150, m_width - 510, m_height};
        return DistinctColours(p, display, [](std::uint32_t c) { return ((c >> 16) & 0xFF) > 150 || ((c >> 8) & 0xFF) > 150; }) > 0;
    }
    bool Started()
    {
        return WaitForScreen([&](const Picture& p) { return MaximisedWindowShown(p) && LiveImageShown(p); });
    }
    // The number of pixels in which the region differs between two pictures.
    static long Changed(const Picture& a, const Picture& b, const RECT& region)
    {
        return static_cast<long>((1.0 - MatchingShare(a, b, region, kTolerance)) * (region.right - region.left) *
                                 (region.bottom - region.top));
    }

    XServer m_x;
    app_test::ProgramProcess m_program{"xserver-program"};
    Picture m_screen;
    const int m_width = 1920;
    const int m_height = 1080;
};

TEST_F(ProgramOnXServer, StartsMaximisedWithTheLiveImage)
{
    EXPECT_TRUE(Started());
}

TEST_F(ProgramOnXServer, ModeAndLanguageButtonsActAndTheCloseButtonEndsItSavingTheSettings)
{
    ASSERT_TRUE(Started());
    // Thermal field: the grid button appears beside the display, the tool buttons go.
    const POINT gridBorder{m_width - 509, static_cast<int>((m_height - 150) * 0.2 + 150) + 125};
    const POINT pointToolBorder{m_width - 264, m_height - 185};
    ASSERT_TRUE(WaitForScreen([&](const Picture& p) { return Near(p, pointToolBorder.x, pointToolBorder.y, kButtonBorder); }));
    ASSERT_FALSE(Near(m_screen, gridBorder.x, gridBorder.y, kButtonBorder));
    m_x.Click(POINT{m_width - 265 + 125 + 57, m_height - 310 + 20});
    EXPECT_TRUE(WaitForScreen([&](const Picture& p) {
        return Near(p, gridBorder.x, gridBorder.y, kButtonBorder) && !Near(p, pointToolBorder.x, pointToolBorder.y, kButtonBorder);
    }));

    // The language button: its caption turns to English.
    const RECT language{m_width - 300, 10, m_width - 205, 35};
    const Picture chinese = m_screen;
    m_x.Click(POINT{m_width - 252, 22});
    EXPECT_TRUE(WaitForScreen([&](const Picture& p) { return Changed(chinese, p, language) > 20; }));

    // The close button ends the program, which saves its settings on the way out.
    m_x.Click(POINT{m_width - 16, 15});
    const int status = m_program.Ended();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(m_program.RegistryText().find("g_Language=dword:1"), std::string::npos) << m_program.RegistryText();
}

// The files of the program's data folder with this extension.
std::vector<std::filesystem::path> SavedFiles(const app_test::ProgramProcess& program, const std::string& extension)
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(program.Dir() / "data", ec))
        if (entry.path().extension() == extension) files.push_back(entry.path());
    return files;
}

TEST_F(ProgramOnXServer, SnapAndRecByClicksLeaveTheirFilesAndThumbnails)
{
    ASSERT_TRUE(Started());
    // Where the first item's thumbnail shows, in whichever list is shown.
    const RECT thumbnail{m_width - 262, 153, m_width - 205, 195};
    const auto thumbnailShown = [&](const Picture& p) {
        return DistinctColours(p, thumbnail, [](std::uint32_t c) { return ((c >> 16) & 0xFF) > 60 || ((c >> 8) & 0xFF) > 60; }) > 20;
    };
    ASSERT_FALSE(thumbnailShown(m_screen)) << "the data folder starts empty";

    m_x.Click(POINT{m_width - 295, 345 + 2 * 55 + 22});  // Snap
    EXPECT_TRUE(WaitForScreen(thumbnailShown));
    EXPECT_EQ(SavedFiles(m_program, ".ir").size(), 1u);

    m_x.Click(POINT{m_width - 295, 345 + 3 * 55 + 22});  // Rec
    m_x.Click(POINT{m_width - 295, 150 + 55 + 25});      // the video list, empty so far
    EXPECT_TRUE(WaitForScreen([&](const Picture& p) { return !thumbnailShown(p); }));
    // A second of frames of 256 x 192 samples, however long a loaded machine takes to record it.
    constexpr std::uintmax_t kSecondOfFrames = 25u * 256 * 192 * 2;
    const auto recorded = [&] {
        const auto recordings = SavedFiles(m_program, ".avi");
        std::error_code ec;
        return recordings.size() == 1 && std::filesystem::file_size(recordings[0], ec) > kSecondOfFrames;
    };
    EXPECT_TRUE(app_test::ProgramProcess::WaitFor(recorded));
    m_x.Click(POINT{m_width - 295, 345 + 3 * 55 + 22});  // Rec released
    EXPECT_TRUE(WaitForScreen(thumbnailShown));
    const auto recordings = SavedFiles(m_program, ".avi");
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_GT(std::filesystem::file_size(recordings[0]), kSecondOfFrames);
}

}  // namespace
}  // namespace xserver_test
