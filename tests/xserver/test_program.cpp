// The program itself on a real X server, run as a user runs it: it starts maximised with the
// camera's live image and hands the desktop its icon, a click on a mode button and on the
// language button acts, Snap and Rec leave their files and thumbnails, a hot region sounds the
// alarm, a disk that fills during Rec ends the recording with a whole file, Alt+Space shows the
// system menu whose About item opens the About box, and its close button ends it with exit
// status 0 and the settings saved. Under a window manager, beside another program: brought back
// by the desktop after its minimise button it is maximised and minimises again, and its system
// menu closes when the user turns to the other program or the desktop.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/kernel/thread.h"
#include "tests/support/AviFacts.h"
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
// The thermal display's own colour, where it draws nothing: around the image or the 3D surface.
const std::uint32_t kDisplayGround = Rgb(0, 16, 27);
// Over the status light on the 1920 x 1080 screen.
constexpr POINT kRestingPointer{960, 60};

class ProgramOnXServer : public ::testing::Test {
protected:
    // The program may be started under a file-size limit (0: none).
    explicit ProgramOnXServer(std::uint64_t fileSizeLimit = 0) { m_program.LimitFileSize(fileSizeLimit); }
    void SetUp() override
    {
        const std::string display = XServer::NamedDisplay();
        if (display.empty()) GTEST_SKIP() << "no X server named in VANTREL_XSERVER_DISPLAY: scripts/test starts one";
        std::string reason;
        ASSERT_TRUE(m_x.Open(display, &reason)) << reason;
        // A test before may have left the pointer over a button: each program starts with it over
        // the status light, where nothing shows a hover.
        m_x.MovePointer(kRestingPointer);
        // Its sound goes to a file, which appears when a sound starts.
        ASSERT_TRUE(m_program.Start({{"DISPLAY", display}, {"SDL_VIDEODRIVER", "x11"}, {"SDL_AUDIODRIVER", "disk"},
                                     {"SDL_DISKAUDIOFILE", SoundFile().string()}}));
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
    // Waits, reading that part of the screen back, until the condition holds of it.
    bool WaitForPicture(const RECT& screen, Picture* shown, const std::function<bool(const Picture&)>& condition)
    {
        const auto deadline = Clock::now() + 30s;
        for (;;) {
            *shown = m_x.Grab(screen);
            if (condition(*shown)) return true;
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
    // Waits until a shown window is one the condition holds of.
    std::optional<ShownWindow> WaitForWindow(const std::function<bool(const ShownWindow&)>& condition)
    {
        const auto deadline = Clock::now() + 30s;
        for (;;) {
            for (const ShownWindow& w : m_x.Windows())
                if (condition(w)) return w;
            if (Clock::now() > deadline) return std::nullopt;
            Sleep(50);
        }
    }
    // Waits until no shown window is one the condition holds of.
    bool WaitUntilGone(const std::function<bool(const ShownWindow&)>& condition)
    {
        const auto deadline = Clock::now() + 30s;
        for (;;) {
            const auto windows = m_x.Windows();
            if (std::none_of(windows.begin(), windows.end(), condition)) return true;
            if (Clock::now() > deadline) return false;
            Sleep(50);
        }
    }
    // Waits until the main window has the keyboard back, as it must once a menu or dialog is gone,
    // before the test types to it.
    bool WaitForKeyboard()
    {
        const auto deadline = Clock::now() + 30s;
        for (;;) {
            const unsigned long focus = m_x.Focus();
            for (const ShownWindow& w : m_x.Windows())
                if (w.title == "Vantrel" && w.id == focus) return true;
            if (Clock::now() > deadline) return false;
            Sleep(50);
        }
    }
    // The shown windows, for a failure's message.
    std::string Shown()
    {
        std::string text;
        for (const ShownWindow& w : m_x.Windows())
            text += "\n\"" + w.title + "\" at " + std::to_string(w.screen.left) + "," + std::to_string(w.screen.top) + " " +
                    std::to_string(w.screen.right - w.screen.left) + "x" + std::to_string(w.screen.bottom - w.screen.top);
        return text;
    }
    static bool IsAbout(const ShownWindow& w) { return w.title == "关于 Pelmor IR"; }
    // The system menu: a small window at the main window's top-left corner.
    static bool IsMenu(const ShownWindow& w)
    {
        return w.screen.left == 0 && w.screen.top == 0 && w.screen.right < 600 && w.screen.bottom < 600;
    }
    // The number of pixels in which the region differs between two pictures.
    static long Changed(const Picture& a, const Picture& b, const RECT& region)
    {
        return static_cast<long>((1.0 - MatchingShare(a, b, region, kTolerance)) * (region.right - region.left) *
                                 (region.bottom - region.top));
    }

    std::filesystem::path SoundFile() const { return m_program.Dir() / "sound.raw"; }

    // Ends the program as a session does at logout: it exits with status 0, its settings saved.
    void EndAsAtLogout()
    {
        ASSERT_EQ(kill(m_program.Pid(), SIGTERM), 0);
        const int status = m_program.Ended();
        ASSERT_TRUE(WIFEXITED(status)) << (WIFSIGNALED(status) ? "ended by signal " + std::to_string(WTERMSIG(status)) : "");
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_NE(m_program.RegistryText().find("g_Language="), std::string::npos) << m_program.RegistryText();
    }

    XServer m_x;
    app_test::ProgramProcess m_program{"xserver-program"};
    Picture m_screen;
    const int m_width = 1920;
    const int m_height = 1080;
};

TEST_F(ProgramOnXServer, StartsMaximisedWithTheLiveImageAndHandsTheDesktopItsIcon)
{
    ASSERT_TRUE(Started());
    const auto main = WaitForWindow([](const ShownWindow& w) { return w.title == "Vantrel"; });
    ASSERT_TRUE(main.has_value());
    const Picture icon = m_x.Icon(main->id);
    EXPECT_EQ(icon.width, 32);
    EXPECT_EQ(icon.height, 32);
    EXPECT_GT(DistinctColours(icon, RECT{0, 0, icon.width, icon.height}, [](std::uint32_t c) { return (c >> 24) == 0xFF; }), 3u)
        << "an opaque picture of its own";
}

// The lowest row across a popup list in one colour other than the list's own: its last separator;
// -1 for none.
int SeparatorRow(const Picture& list)
{
    const std::uint32_t ground = list.at(3, 3);
    for (int y = list.height - 4; y > 2; --y)
        if (DistinctColours(list, RECT{4, y, list.width - 4, y + 1}) == 1 && ColourDistance(list.at(4, y), ground) > 20)
            return y;
    return -1;
}

// The About box's parts, where its template puts them (the icon at 14 x 14, the lines at 42 x 14
// and 42 x 26, OK at 113 x 41 dialog units: 7/4 and 15/8 pixels a unit, inside a border).
const RECT kAboutIcon{25, 27, 57, 59};
const RECT kAboutLines[] = {{74, 27, 274, 42}, {74, 49, 274, 64}};
const RECT kAboutOk{198, 77, 285, 103};

bool Dark(std::uint32_t c) { return ((c >> 8) & 0xFF) < 100; }
bool AboutIconShown(const Picture& p) { return DistinctColours(p, kAboutIcon) > 8; }
bool AboutLineShown(const Picture& p, int line) { return DistinctColours(p, kAboutLines[line], Dark) > 3; }
bool AboutOkShown(const Picture& p)
{
    return Inside(p, kAboutOk) && (p.at(kAboutOk.left, kAboutOk.top) & 0xFFFFFFu) == 0 &&
           DistinctColours(p, RECT{kAboutOk.left + 2, kAboutOk.top + 2, kAboutOk.right - 2, kAboutOk.bottom - 2}, Dark) > 3;
}

TEST_F(ProgramOnXServer, AltSpaceShowsTheSystemMenuThatEscClosesAndWhoseAboutItemOpensTheAboutBoxThatOkAndEnterClose)
{
    if (m_x.HasWindowManager()) GTEST_SKIP() << "needs a bare server: a window manager takes Alt+Space for a menu of its own";
    ASSERT_TRUE(Started());
    m_x.KeyWith(XK_Alt_L, XK_space);
    const auto menu = WaitForWindow(IsMenu);
    ASSERT_TRUE(menu.has_value()) << "no menu at the window's corner:" << Shown();
    Picture list;
    EXPECT_TRUE(WaitForPicture(menu->screen, &list, [](const Picture& p) {
        return DistinctColours(p, RECT{2, 2, p.width - 2, p.height - 2}) > 4 && SeparatorRow(p) > p.height / 2;
    })) << "a list of texts with a separator in its lower part, before the About item";
    platform::user::WritePictureToPng(list, ArtefactPath("xserver-system-menu.png"));

    // Esc closes it, and the keyboard still reaches the window: the menu opens again, and its
    // letter A opens the About box; OK closes that.
    m_x.Key(XK_Escape);
    EXPECT_TRUE(WaitUntilGone(IsMenu)) << "Esc left the menu open";
    ASSERT_TRUE(WaitForKeyboard()) << "the keyboard did not come back after Esc";
    m_x.KeyWith(XK_Alt_L, XK_space);
    ASSERT_TRUE(WaitForWindow(IsMenu).has_value()) << "no menu after Esc:" << Shown();
    m_x.Key(XK_a);
    const auto about = WaitForWindow(IsAbout);
    ASSERT_TRUE(about.has_value()) << "no About box:" << Shown();
    EXPECT_TRUE(WaitUntilGone(IsMenu)) << "the menu stayed open";
    const RECT box = about->screen;
    EXPECT_EQ(box.right - box.left, 299);
    EXPECT_EQ(box.bottom - box.top, 118);
    Picture shown;
    WaitForPicture(box, &shown, [](const Picture& p) {
        return AboutIconShown(p) && AboutLineShown(p, 0) && AboutLineShown(p, 1) && AboutOkShown(p);
    });
    platform::user::WritePictureToPng(shown, ArtefactPath("xserver-about.png"));
    EXPECT_TRUE(AboutIconShown(shown)) << "the icon";
    EXPECT_TRUE(AboutLineShown(shown, 0)) << "the first line";
    EXPECT_TRUE(AboutLineShown(shown, 1)) << "the second line";
    EXPECT_TRUE(AboutOkShown(shown)) << "the OK button";
    m_x.Click(POINT{box.left + (kAboutOk.left + kAboutOk.right) / 2, box.top + (kAboutOk.top + kAboutOk.bottom) / 2});
    EXPECT_TRUE(WaitUntilGone(IsAbout)) << "OK left the About box open";
    ASSERT_TRUE(WaitForKeyboard()) << "the keyboard did not come back after the About box";

    // A click on the About item opens it again; Enter closes it.
    m_x.KeyWith(XK_Alt_L, XK_space);
    const auto again = WaitForWindow(IsMenu);
    ASSERT_TRUE(again.has_value()) << "no menu the second time:" << Shown();
    EXPECT_TRUE(WaitForPicture(again->screen, &list, [](const Picture& p) { return SeparatorRow(p) > 0; }));
    m_x.Click(POINT{again->screen.left + 40, again->screen.bottom - 10});
    ASSERT_TRUE(WaitForWindow(IsAbout).has_value()) << "a click on the About item opened nothing";
    m_x.Key(XK_Return);
    EXPECT_TRUE(WaitUntilGone(IsAbout)) << "Enter left the About box open";
    EXPECT_TRUE(WaitForScreen([&](const Picture& p) { return MaximisedWindowShown(p) && LiveImageShown(p); }));
}

// A logout while the About box is open: the program ends all the same, with status 0, and saves
// the settings as they stand (the language just switched to English). The box is reached as on
// any desktop (a window manager keeps Alt+Space for itself): the window restored by its own
// button, the system menu by a right-click on its body, and the menu's letter A.
TEST_F(ProgramOnXServer, ATerminationSignalWhileTheAboutBoxIsOpenEndsItSavingTheSettings)
{
    ASSERT_TRUE(Started());
    const RECT language{m_width - 300, 10, m_width - 205, 35};
    const Picture chinese = m_screen;
    m_x.Click(POINT{m_width - 252, 22});
    ASSERT_TRUE(WaitForScreen([&](const Picture& p) { return Changed(chinese, p, language) > 20; }));
    m_x.Click(POINT{m_width - 56, 15});
    const auto restored = WaitForWindow([&](const ShownWindow& w) { return w.title == "Vantrel" && w.screen.right - w.screen.left < m_width; });
    ASSERT_TRUE(restored.has_value()) << "not restored:" << Shown();
    m_x.Click(POINT{restored->screen.left + 10, restored->screen.top + 140}, 3);
    ASSERT_TRUE(WaitForWindow([&](const ShownWindow& w) {
                    return w.id != restored->id && w.screen.right - w.screen.left < 300 && w.screen.bottom - w.screen.top < 300;
                }).has_value())
        << "no menu:" << Shown();
    m_x.Key(XK_a);
    ASSERT_TRUE(WaitForWindow(IsAbout).has_value()) << "no About box:" << Shown();
    EndAsAtLogout();
    EXPECT_NE(m_program.RegistryText().find("g_Language=dword:1"), std::string::npos) << m_program.RegistryText();
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

constexpr std::uint32_t kFrameBytes = 256 * 192 * 2;

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
    EXPECT_TRUE(app_test::ProgramProcess::WaitFor([&] { return SavedFiles(m_program, ".ir").size() == 1; }))
        << "no snapshot";
    EXPECT_TRUE(WaitForScreen(thumbnailShown)) << "no thumbnail of the snapshot";

    m_x.Click(POINT{m_width - 295, 345 + 3 * 55 + 22});  // Rec
    m_x.Click(POINT{m_width - 295, 150 + 55 + 25});      // the video list, empty so far
    EXPECT_TRUE(WaitForScreen([&](const Picture& p) { return !thumbnailShown(p); }));
    // A second of frames of 256 x 192 samples, however long a loaded machine takes to record it.
    constexpr std::uintmax_t kSecondOfFrames = 25u * kFrameBytes;
    const auto recorded = [&] {
        const auto recordings = SavedFiles(m_program, ".avi");
        std::error_code ec;
        return recordings.size() == 1 && std::filesystem::file_size(recordings[0], ec) > kSecondOfFrames;
    };
    EXPECT_TRUE(app_test::ProgramProcess::WaitFor(recorded)) << "no recording";
    m_x.Click(POINT{m_width - 295, 345 + 3 * 55 + 22});  // Rec released
    // The recording is finished: its file is whole, then listed.
    const auto finished = [&] {
        const auto recordings = SavedFiles(m_program, ".avi");
        return recordings.size() == 1 && avi_test::ReadAviFacts(recordings[0].string(), kFrameBytes).riffSpansTheFile;
    };
    EXPECT_TRUE(app_test::ProgramProcess::WaitFor(finished)) << "the recording was not finished";
    EXPECT_TRUE(WaitForScreen(thumbnailShown)) << "no thumbnail of the recording";
    const auto recordings = SavedFiles(m_program, ".avi");
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_GT(std::filesystem::file_size(recordings[0]), kSecondOfFrames);
}

// ROI Check's rectangle takes in a component warmer than the alarm threshold: the alarm sounds.
TEST_F(ProgramOnXServer, AHotRegionSoundsTheAlarm)
{
    ASSERT_TRUE(Started());
    EXPECT_FALSE(std::filesystem::exists(SoundFile())) << "no region, no sound";
    m_x.Click(POINT{m_width - 265 + 125 + 57, m_height - 310 + 45 + 20});
    EXPECT_TRUE(app_test::ProgramProcess::WaitFor([&] {
        std::error_code ec;
        return std::filesystem::file_size(SoundFile(), ec) > 0 && !ec;
    }));
}

// The program whose crash reports have nowhere to go ("./errlog" is a file): it says so in a
// message box as it starts, before its window shows.
class ProgramWithoutCrashReports : public ProgramOnXServer {
protected:
    void SetUp() override
    {
        std::ofstream(m_program.Dir() / "errlog") << "not a folder";
        ProgramOnXServer::SetUp();
    }
};

TEST_F(ProgramWithoutCrashReports, ATerminationSignalEndsItsMessageBoxAndTheProgramSavingTheSettings)
{
    const auto box = WaitForWindow([](const ShownWindow& w) { return w.title.empty() && w.screen.right - w.screen.left < 600; });
    ASSERT_TRUE(box.has_value()) << "no message box:" << Shown();
    Picture shown;
    EXPECT_TRUE(WaitForPicture(box->screen, &shown, [](const Picture& p) { return DistinctColours(p, RECT{12, 12, 60, 28}) > 2; }))
        << "its text";
    platform::user::WritePictureToPng(shown, ArtefactPath("xserver-errlog-message-box.png"));
    EndAsAtLogout();
}

// The program on a disk that fills after some ten frames of a recording.
class ProgramOnAFullDisk : public ProgramOnXServer {
protected:
    ProgramOnAFullDisk() : ProgramOnXServer(10 * kFrameBytes + kFrameBytes / 2) {}
};

TEST_F(ProgramOnAFullDisk, RecEndsWithAWholeFileAndTheProgramLivesOn)
{
    ASSERT_TRUE(Started());
    const POINT rec{m_width - 295, 345 + 3 * 55 + 22};
    const RECT recButton{rec.x - 20, rec.y - 10, rec.x + 20, rec.y + 10};
    // The released button as it looks once painted: its caption shows.
    ASSERT_TRUE(WaitForScreen([&](const Picture& p) {
        return DistinctColours(p, recButton, [](std::uint32_t c) { return ColourDistance(c, Rgb(255, 255, 255)) < 60; }) > 0;
    }));
    const Picture released = m_x.Grab(recButton);
    m_x.Click(rec);
    m_x.MovePointer(kRestingPointer);
    // The program finishes the file itself and releases Rec.
    std::filesystem::path recording;
    avi_test::AviFacts facts;
    const bool finished = app_test::ProgramProcess::WaitFor([&] {
        if (m_program.HasEnded()) return true;
        const auto files = SavedFiles(m_program, ".avi");
        if (files.size() != 1) return false;
        recording = files[0];
        facts = avi_test::ReadAviFacts(recording.string(), kFrameBytes);
        const Picture button = m_x.Grab(recButton);
        return facts.riffSpansTheFile && facts.totalFrames > 0 &&
               MatchingShare(released, button, RECT{0, 0, button.width, button.height}, kTolerance) > 0.99;
    });
    ASSERT_TRUE(finished) << "frames in the header: " << facts.totalFrames;
    ASSERT_FALSE(m_program.HasEnded()) << "the program ended during Rec: status " << m_program.Ended();
    EXPECT_EQ(facts.streamLength, facts.totalFrames);
    EXPECT_EQ(facts.indexEntries, facts.totalFrames);
    EXPECT_EQ(facts.wholeFramesIndexed, facts.totalFrames);
    const std::string n = std::to_string(facts.totalFrames);
    EXPECT_EQ(avi_test::ProbeFrames(recording.string()), "nb_frames=" + n + "\nnb_read_frames=" + n + "\n");

    // It still runs, and ends as it always does, saving its settings.
    EndAsAtLogout();
}

// Thermal field: the 3D surface and the Rec button. A plain drag on the surface confines the
// cursor to the display; Ctrl+drag turns the surface and holds the capture.
class ThermalFieldOnXServer : public ProgramOnXServer {
protected:
    void EnterThermalField()
    {
        const POINT gridBorder{m_width - 509, static_cast<int>((m_height - 150) * 0.2 + 150) + 125};
        const Picture image = m_x.Grab(RECT{0, 0, m_width, m_height});
        m_x.Click(POINT{m_width - 265 + 125 + 57, m_height - 310 + 20});
        // The surface shows in place of the image, and then stays as it is: that is upright.
        ASSERT_TRUE(WaitForScreen([&](const Picture& p) {
            return Near(p, gridBorder.x, gridBorder.y, kButtonBorder) && CoveredAlike(p, image) < 0.9;
        }));
        m_upright = m_screen;
        ASSERT_TRUE(WaitForScreen([&](const Picture& p) {
            const bool still = Upright(p) > 0.99;
            m_upright = p;
            return still;
        }));
    }
    // The share of the display in which two pictures agree on whether something shows there (the
    // image, the surface or its axes) or only the display's own colour. Only where things lie
    // counts, which follows the view: their colours follow the colour window, which follows the
    // scene.
    double CoveredAlike(const Picture& a, const Picture& b) const
    {
        if (!Inside(a, m_display) || !Inside(b, m_display)) return 0.0;
        const auto covered = [](std::uint32_t c) { return ColourDistance(c, kDisplayGround) > kTolerance; };
        long alike = 0;
        for (int y = m_display.top; y < m_display.bottom; ++y)
            for (int x = m_display.left; x < m_display.right; ++x)
                alike += covered(a.at(x, y)) == covered(b.at(x, y)) ? 1 : 0;
        return static_cast<double>(alike) / ((m_display.right - m_display.left) * (m_display.bottom - m_display.top));
    }
    // The share of the display in which the surface covers what it covers upright.
    double Upright(const Picture& p) const { return CoveredAlike(p, m_upright); }
    // Ctrl and the left button held across the display: the surface turns.
    void Turn()
    {
        m_x.Hold(XK_Control_L, true);
        m_x.MovePointer(m_middle);
        m_x.LeftButton(true);
        for (int step = 1; step <= 10; ++step) m_x.MovePointer(POINT{m_middle.x + 20 * step, m_middle.y});
    }
    void LetGo()
    {
        m_x.LeftButton(false);
        m_x.Hold(XK_Control_L, false);
    }
    bool WaitUntilTurned() { return WaitForScreen([&](const Picture& p) { return Upright(p) < 0.9; }); }
    bool WaitUntilUpright() { return WaitForScreen([&](const Picture& p) { return Upright(p) > 0.95; }); }
    // A drag whose press and moves the program has taken, its button still held.
    bool DragTaken()
    {
        if (m_turns) {
            m_x.MovePointer(m_middle);  // the display takes the keyboard focus
            m_x.Key(XK_r);
            if (!WaitUntilUpright()) return false;
            Turn();
            return WaitUntilTurned();
        }
        Turn();
        if (!WaitUntilTurned()) return false;
        LetGo();
        m_x.MovePointer(m_middle);
        m_x.LeftButton(true);
        m_x.MovePointer(POINT{m_middle.x + 30, m_middle.y + 10});
        // The R key resets the view: taken, it shows that the press before it was taken too.
        m_x.Key(XK_r);
        return WaitUntilUpright();
    }
    // The user lets go and clicks Rec, moving the mouse there, while the program is stopped.
    void LetGoAndClickRecWhileStopped()
    {
        kill(m_program.Pid(), SIGSTOP);
        int status = 0;
        waitpid(m_program.Pid(), &status, WUNTRACED);
        LetGo();
        const POINT from = m_x.Pointer();
        MovePointerBy(m_rec.x - from.x, m_rec.y - from.y);
        m_x.LeftButton(true);
        m_x.LeftButton(false);
        kill(m_program.Pid(), SIGCONT);
    }
    bool RecShownOn(const Picture& p) const { return Near(p, m_width - 317, 345 + 3 * 55 + 3, Rgb(0, 197, 255)); }
    std::uintmax_t RecordedBytes() const
    {
        std::uintmax_t bytes = 0;
        for (const auto& file : SavedFiles(m_program, ".avi")) bytes += std::filesystem::file_size(file);
        return bytes;
    }
    // Whether the recordings grow, or stay as they are for a second, within the usual patience.
    bool RecordingRuns(bool runs) const
    {
        return app_test::ProgramProcess::WaitFor([&] {
            const std::uintmax_t before = RecordedBytes();
            Sleep(runs ? 100 : 1000);
            return (RecordedBytes() > before) == runs;
        });
    }

    // The pointer moved by an offset in steps, as a mouse moves it.
    void MovePointerBy(int dx, int dy)
    {
        const int steps = std::max(std::abs(dx), std::abs(dy)) / 20 + 1;
        for (int step = 1; step <= steps; ++step)
            m_x.MovePointerBy(dx * step / steps - dx * (step - 1) / steps, dy * step / steps - dy * (step - 1) / steps);
    }

    bool m_turns = false;
    const RECT m_display{125, 150, m_width - 510, m_height};
    const POINT m_middle{(125 + m_width - 510) / 2, (150 + m_height) / 2};
    const POINT m_rec{m_width - 295, 345 + 3 * 55 + 22};
    Picture m_upright;
};

TEST_F(ThermalFieldOnXServer, APlainDragOnTheSurfaceKeepsThePointerInsideTheDisplay)
{
    ASSERT_TRUE(Started());
    EnterThermalField();
    ASSERT_TRUE(DragTaken());
    MovePointerBy(m_width - m_middle.x, 0);
    EXPECT_TRUE(app_test::ProgramProcess::WaitFor([&] { return m_x.Pointer().x < m_display.right; })) << m_x.Pointer().x;
    m_x.LeftButton(false);
}

// Right after a drag on the surface, a click on Rec, while the program is too busy to take either.
struct DragOnTheSurface {
    const char* name;
    bool turns;
};

void PrintTo(const DragOnTheSurface& d, std::ostream* out) { *out << d.name; }

class RecRightAfterADrag : public ThermalFieldOnXServer, public ::testing::WithParamInterface<DragOnTheSurface> {
protected:
    void SetUp() override
    {
        ThermalFieldOnXServer::SetUp();
        m_turns = GetParam().turns;
    }
};

TEST_P(RecRightAfterADrag, ActsAndShowsWhetherARecordingRuns)
{
    ASSERT_TRUE(Started());
    EnterThermalField();
    for (int click = 0; click < 4; ++click) {
        ASSERT_TRUE(DragTaken()) << "click " << click << ": the drag never showed, upright " << Upright(m_screen);
        LetGoAndClickRecWhileStopped();
        const bool on = click % 2 == 0;
        ASSERT_TRUE(WaitForScreen([&](const Picture& p) { return RecShownOn(p) == on; })) << "click " << click;
        EXPECT_TRUE(RecordingRuns(on)) << "click " << click;
    }
    EXPECT_EQ(SavedFiles(m_program, ".avi").size(), 2u);
}

const DragOnTheSurface kDragsOnTheSurface[] = {
    {"Plain", false},
    {"Turning", true},
};

INSTANTIATE_TEST_SUITE_P(Program, RecRightAfterADrag, ::testing::ValuesIn(kDragsOnTheSurface),
                         [](const ::testing::TestParamInfo<DragOnTheSurface>& info) { return std::string(info.param.name); });

// The program's own window buttons, on the 1920 x 1080 screen.
constexpr POINT kMinimiseButton{1920 - 106 + 10, 15};
constexpr POINT kMaximiseButton{1920 - 66 + 10, 15};

bool IsMain(const ShownWindow& w) { return w.title == "Vantrel"; }

TEST_F(ProgramOnXServer, BroughtBackByTheDesktopAfterItsMinimiseButtonItIsMaximisedAndTheButtonMinimisesItAgain)
{
    if (!m_x.HasWindowManager()) GTEST_SKIP() << "needs a window manager, which minimises windows and brings them back";
    ASSERT_TRUE(Started());
    const auto main = WaitForWindow(IsMain);
    ASSERT_TRUE(main.has_value()) << Shown();
    m_x.Click(kMinimiseButton);
    ASSERT_TRUE(WaitUntilGone(IsMain)) << "the minimise button left the window shown:" << Shown();
    // As a task bar brings it back.
    m_x.Activate(main->id);
    ASSERT_TRUE(WaitForScreen([&](const Picture& p) { return MaximisedWindowShown(p) && LiveImageShown(p); }))
        << "not back maximised:" << Shown();
    m_x.Click(kMinimiseButton);
    EXPECT_TRUE(WaitUntilGone(IsMain)) << "the program took itself for minimised still:" << Shown();
    EndAsAtLogout();
}

// The system menu of the restored main window (a right click on its body opens it at the mouse),
// beside the window of another program, closes with nothing chosen when the user turns to
// something else: a press on the other program's window (one that leaves the keyboard where it
// is) or on the desktop, held until the menu is gone as a hand holds it; or the other program
// taking the keyboard.
struct TurningAway {
    const char* name;
    std::optional<POINT> press;  // none: the other program takes the keyboard
    bool otherTakesKeyboard;
};

void PrintTo(const TurningAway& t, std::ostream* out) { *out << t.name; }

class SystemMenuBesideAnotherProgram : public ProgramOnXServer, public ::testing::WithParamInterface<TurningAway> {};

TEST_P(SystemMenuBesideAnotherProgram, ClosesWhenTheUserTurnsAway)
{
    ASSERT_TRUE(Started());
    const RECT otherPlace{1600, 100, 1850, 350};
    const unsigned long other = m_x.OpenOtherProgramsWindow(otherPlace, "another program", GetParam().otherTakesKeyboard);
    m_x.Click(kMaximiseButton);
    const auto restored = WaitForWindow([](const ShownWindow& w) { return IsMain(w) && w.screen.right - w.screen.left < 1500; });
    ASSERT_TRUE(restored.has_value()) << "not restored:" << Shown();
    ASSERT_LT(restored->screen.right, otherPlace.left) << "the windows overlap:" << Shown();
    ASSERT_TRUE(WaitForKeyboard()) << "the program never had the keyboard";
    const POINT body{restored->screen.left + 330, restored->screen.top + 100};
    const auto isMenu = [&](const ShownWindow& w) { return w.screen.left == body.x && w.screen.top == body.y; };
    m_x.Click(body, 3);
    ASSERT_TRUE(WaitForWindow(isMenu).has_value()) << "no system menu at the mouse:" << Shown();

    if (const auto press = GetParam().press) {
        m_x.MovePointer(*press);
        m_x.LeftButton(true);
        EXPECT_TRUE(WaitUntilGone(isMenu)) << "the menu stayed open:" << Shown();
        m_x.LeftButton(false);
    } else {
        m_x.Activate(other);
        EXPECT_TRUE(WaitUntilGone(isMenu)) << "the menu stayed open:" << Shown();
    }
    EndAsAtLogout();
}

const TurningAway kTurningAway[] = {
    {"APressOnTheOtherProgramsWindow", POINT{1725, 225}, false},
    {"APressOnTheDesktop", POINT{100, 1000}, false},
    {"TheOtherProgramTakingTheKeyboard", std::nullopt, true},
};

INSTANTIATE_TEST_SUITE_P(Program, SystemMenuBesideAnotherProgram, ::testing::ValuesIn(kTurningAway),
                         [](const ::testing::TestParamInfo<TurningAway>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace xserver_test
