// The thermal display's window on a real X server: what reaches the screen, input through the server,
// and the emulated module lost and back again while the window paints.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <vector>

#include "app/CVantrelApp.h"
#include "emulator/src/emulator.h"
#include "foundation/CAutoLock.h"
#include "tests/xserver/ScreenTestSupport.h"
#include "tests/xserver/XServer.h"
#include "tests/xserver/ViewerWindow.h"

namespace xserver_test {
namespace {

using namespace std::chrono_literals;

// Within this much a channel, a screen pixel shows the colour the window drew.
constexpr int kTolerance = 8;
// The share of a region that must show what the window drew: the rest is left to text, markers
// and the noise of a live scene.
constexpr double kSameShare = 0.97;
// Waits for what takes a moment on a loaded machine.
constexpr auto kPatience = 20s;

class ViewerOnXServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string display = XServer::NamedDisplay();
        if (display.empty())
            GTEST_SKIP() << "no X server named in VANTREL_XSERVER_DISPLAY: scripts/test starts one";
        std::string reason;
        ASSERT_TRUE(m_x.Open(display, &reason)) << reason;
    }

    void TearDown() override
    {
        if (!m_opened)
            return;
        if (HasFailure())
            SaveLastPictures();
        m_viewer.Close();
    }

    // Shows the viewer with the emulated module streaming the bench scene. A still scene repeats
    // one frame, so that the screen can be held against the window's own rendering pixel by pixel.
    void OpenViewer(bool stillScene)
    {
        emu_reset();
        emu_set_static_scene(stillScene ? 1 : 0);
        ASSERT_TRUE(m_viewer.Open());
        m_opened = true;
    }

    // The window's client area as the screen shows it and as the window renders it off-screen.
    void TakePictures()
    {
        m_screen = m_x.Grab(ScreenRectOf(m_viewer));
        platform::user::RenderWindow(m_viewer.GetSafeHwnd(), &m_render);
    }

    double ShareOnScreen(const RECT& region) const { return MatchingShare(m_screen, m_render, region, kTolerance); }

    RECT Pane() const { return RectInParent(m_viewer.display); }
    RECT Bar() const { return RectInParent(m_viewer.slider); }
    RECT Picker() const { return RectInParent(m_viewer.picker); }

    // Waits until the camera's frames flow and the screen shows the thermal pane as the window
    // renders it.
    bool WaitForPaneOnScreen()
    {
        const std::uint64_t first = emu_frames_delivered();
        return PumpUntil(
            [&] {
                if (emu_frames_delivered() < first + 10)
                    return false;
                TakePictures();
                return ShareOnScreen(Pane()) >= kSameShare;
            },
            kPatience);
    }

    POINT ScreenPoint(const CWnd& wnd, POINT client) const
    {
        wnd.ClientToScreen(&client);
        return client;
    }

    // Waits until the pane shows a frame of the camera (whether or not it reaches the screen).
    bool WaitForImageInPane()
    {
        return PumpUntil([&] { return Display().m_renderer.m_pViews[0].imageWidth != 0; }, kPatience);
    }

    // Moves the pointer to a point of the pane showing an image and waits until the pane has seen
    // it there: every input sent before it has then been handled too.
    bool PointerReachesPane(POINT client)
    {
        // A pointer already there would not move: it comes from a pixel beside.
        m_x.MovePointer(ScreenPoint(Display(), POINT{client.x - 1, client.y - 1}));
        m_x.MovePointer(ScreenPoint(Display(), client));
        return PumpUntil(
            [&] {
                POINT pixel;
                Display().m_renderer.m_pViews[0].ClientToImage(client, pixel);
                return ::GetFocus() == Display().GetSafeHwnd() && Display().m_nCursorX == pixel.x &&
                       Display().m_nCursorY == pixel.y;
            },
            kPatience);
    }

    // The colour the display gave pixel (x, y) of the shown frame; false before its first frame.
    bool FrameColour(int x, int y, std::uint32_t* colour)
    {
        CAutoLock lock(&Display().m_lockDisplay);
        const IrFrame* frame = Display().m_pImage;
        if (!frame || !frame->rgb_buf || x >= frame->image_info[0] || y >= frame->image_info[1])
            return false;
        const std::uint8_t* rgb = frame->rgb_buf + 3 * (static_cast<std::size_t>(y) * frame->image_info[0] + x);
        *colour = Rgb(rgb[0], rgb[1], rgb[2]);
        return true;
    }

    // The screen shows the frame's colour at the middle of the warm components (all but the over-hot
    // one, where the hottest-pixel marker and its label are drawn).
    bool ComponentsShowTheirColours(std::string* mismatch)
    {
        const RenderView& view = Display().m_renderer.m_pViews[0];
        const RECT pane = Pane();
        const int half = view.WindowLength(0.5f);
        std::ostringstream out;
        for (unsigned i = 0; i + 1 < emu_scene_component_count(); ++i) {
            emu_component c;
            emu_scene_component(i, &c);
            const int x = c.x + c.w / 2;
            const int y = c.y + c.h / 2;
            const POINT shown{pane.left + view.WindowX(x) + half, pane.top + view.WindowY(y) + half};
            std::uint32_t drawn;
            if (!FrameColour(x, y, &drawn) || !Inside(m_screen, shown)) {
                out << "component " << i << " is not shown; ";
                continue;
            }
            const std::uint32_t seen = m_screen.at(shown.x, shown.y);
            if (ColourDistance(seen, drawn) > kTolerance)
                out << "component " << i << ": screen " << std::hex << seen << ", frame " << drawn << std::dec << "; ";
        }
        *mismatch = out.str();
        return mismatch->empty();
    }

    // The number of the current palette's colours on the bar's strip (its column at x 45).
    std::size_t PaletteColoursOnTheBar()
    {
        ZelColorMap& map = theApp.m_capture.m_colorMap;
        CAutoLock lock(&map.m_lock);
        const std::uint8_t* palette = map.m_pPalette + 3 * static_cast<std::size_t>(map.GetPaletteOffset(-1));
        const std::uint32_t size = map.m_pPaletteSizes[map.m_nCurPalette];
        const RECT bar = Bar();
        const RECT strip{bar.left + 45, bar.top, bar.left + 46, bar.bottom};
        return DistinctColours(m_screen, strip, [&](std::uint32_t pixel) {
            for (std::uint32_t i = 0; i < size; ++i)
                if (ColourDistance(pixel, Rgb(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2])) <= 2)
                    return true;
            return false;
        });
    }

    // The colours on screen in each of the picker's three wheels.
    std::vector<std::size_t> ColoursOfTheWheels() const
    {
        const RECT picker = Picker();
        const int first = palette_picker::FirstCenter(picker.right - picker.left, picker.bottom - picker.top);
        std::vector<std::size_t> counts;
        for (int wheel = 0; wheel < palette_picker::kWheelCount; ++wheel) {
            const POINT c = palette_picker::WheelCenter(wheel, first, first, palette_picker::kRadius);
            const int r = palette_picker::kRadius - 2;
            counts.push_back(DistinctColours(
                m_screen, RECT{picker.left + c.x - r, picker.top + c.y - r, picker.left + c.x + r, picker.top + c.y + r}));
        }
        return counts;
    }

    ViewerDisplay& Display() { return m_viewer.display; }
    const ViewerDisplay& Display() const { return m_viewer.display; }

    void SaveLastPictures()
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const std::string screen = ArtefactPath("xserver-" + name + "-screen.png");
        const std::string render = ArtefactPath("xserver-" + name + "-render.png");
        if (m_screen.width > 0 && platform::user::WritePictureToPng(m_screen, screen))
            std::printf("screen: %s\n", screen.c_str());
        if (m_render.width > 0 && platform::user::WritePictureToPng(m_render, render))
            std::printf("window rendered off-screen: %s\n", render.c_str());
    }

    XServer m_x;
    ViewerWindow m_viewer;
    bool m_opened = false;
    Picture m_screen;
    Picture m_render;
};

TEST_F(ViewerOnXServer, ShowsTheImageTheColourBarAndThePickerWhereTheyBelong)
{
    OpenViewer(true);
    std::string mismatch;
    // The still scene gives a still screen: it must stay right, not be right for a moment.
    int rightInARow = 0;
    const bool shown = PumpUntil(
        [&] {
            if (emu_frames_delivered() < 10)
                return false;
            TakePictures();
            const bool right = ShareOnScreen(Pane()) >= kSameShare && ShareOnScreen(Bar()) >= kSameShare &&
                               ShareOnScreen(Picker()) >= kSameShare && ComponentsShowTheirColours(&mismatch) &&
                               PaletteColoursOnTheBar() >= 20;
            rightInARow = right ? rightInARow + 1 : 0;
            return rightInARow >= 5;
        },
        kPatience);
    EXPECT_TRUE(shown) << "share of each region as the window drew it: pane " << ShareOnScreen(Pane()) << ", bar "
                       << ShareOnScreen(Bar()) << ", picker " << ShareOnScreen(Picker()) << "; " << mismatch
                       << "palette colours on the bar: " << PaletteColoursOnTheBar();
    for (std::size_t colours : ColoursOfTheWheels())
        EXPECT_GE(colours, 8u) << "a palette wheel of the picker is missing on screen";
}

TEST_F(ViewerOnXServer, ThreeDFrameReachesTheScreenAfterTheSwitch)
{
    OpenViewer(true);
    ASSERT_TRUE(WaitForPaneOnScreen()) << "2D pane on screen: " << ShareOnScreen(Pane());
    const Picture flat = m_render;
    const RECT pane = Pane();
    ASSERT_TRUE(PointerReachesPane(POINT{(pane.right - pane.left) / 2, (pane.bottom - pane.top) / 2}));

    m_x.Key(XK_d);
    ASSERT_TRUE(PumpUntil([&] { return Display().m_renderer.m_b3D != 0; }, kPatience)) << "key D never arrived";
    const auto switched = Clock::now();
    Picture surface;
    platform::user::RenderWindow(m_viewer.GetSafeHwnd(), &surface);
    ASSERT_LT(MatchingShare(surface, flat, pane, kTolerance), 0.5) << "the window drew no 3D surface";

    const bool shown = PumpUntil(
        [&] {
            m_screen = m_x.Grab(ScreenRectOf(m_viewer));
            return MatchingShare(m_screen, surface, pane, kTolerance) >= kSameShare;
        },
        kPatience);
    m_render = surface;
    EXPECT_TRUE(shown) << "after " << std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - switched).count()
                       << " ms the screen shows " << MatchingShare(m_screen, surface, pane, kTolerance)
                       << " of the 3D frame and " << MatchingShare(m_screen, flat, pane, kTolerance)
                       << " of the 2D one";
}

struct QuickClicks {
    const char* name;
    float zoom;     // of the pane's view
    int apart;      // window pixels between the two clicks, well within the double-click distance
    std::size_t points;
};

void PrintTo(const QuickClicks& c, std::ostream* out) { *out << c.name; }

// At zoom 1 the clicks land on image pixels 3 apart, two points; at the start zoom of 4 on the same
// pixel, so the second click takes the first one's point away again.
const QuickClicks kQuickClicks[] = {
    {"TwoPlaces", 1.0f, 3, 2},
    {"SamePlace", 4.0f, 2, 0},
};

class QuickClicksWithThePointTool : public ViewerOnXServer, public ::testing::WithParamInterface<QuickClicks> {};

TEST_P(QuickClicksWithThePointTool, EachClickActs)
{
    if (m_x.HasWindowManager())
        GTEST_SKIP() << "needs a bare server: a window manager that holds each press to focus the window first lets the "
                        "next motion overtake it when presses come within a millisecond, as no hand makes them";
    const QuickClicks& c = GetParam();
    OpenViewer(true);
    ASSERT_TRUE(WaitForImageInPane()) << "no camera frame in the pane";
    const RECT pane = Pane();
    const POINT middle{(pane.right - pane.left) / 2, (pane.bottom - pane.top) / 2};
    ASSERT_TRUE(PointerReachesPane(middle)) << "the pane never saw the pointer";
    m_x.Key(XK_0);
    ASSERT_TRUE(PumpUntil([&] { return Display().m_nTool == TOOL_POINT; }, kPatience)) << "key 0 never arrived";
    Display().m_renderer.ZoomAt(middle.x, middle.y, c.zoom, 0);

    const POINT first{middle.x - 40, middle.y};
    const POINT second{first.x + c.apart, first.y};
    m_x.Click(ScreenPoint(Display(), first));
    m_x.Click(ScreenPoint(Display(), second));
    ASSERT_TRUE(PointerReachesPane(POINT{middle.x + 40, middle.y + 40})) << "the pane never saw the pointer after the clicks";

    const std::vector<POINT>& points = Display().m_renderer.m_pViews[0].points;
    ASSERT_EQ(points.size(), c.points);
    POINT expected[2];
    Display().m_renderer.m_pViews[0].ClientToImage(first, expected[0]);
    Display().m_renderer.m_pViews[0].ClientToImage(second, expected[1]);
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].x, expected[i].x);
        EXPECT_EQ(points[i].y, expected[i].y);
    }
}

INSTANTIATE_TEST_SUITE_P(Viewer, QuickClicksWithThePointTool, ::testing::ValuesIn(kQuickClicks),
                         [](const ::testing::TestParamInfo<QuickClicks>& info) { return std::string(info.param.name); });

// A loss of the camera while the window paints: the capture closes the camera, opens it again once
// the module is back, and the window goes on painting live frames.
struct CameraLoss {
    const char* name;
    void (*lose)();
    void (*restore)();
};

void PrintTo(const CameraLoss& c, std::ostream* out) { *out << c.name; }

const CameraLoss kCameraLosses[] = {
    {"UnpluggedAndPluggedBack", emu_unplug, emu_replug},
    {"StreamStalledAndResumed", [] { emu_fault_stall(1); }, [] { emu_fault_stall(0); }},
};

class CameraLossWhilePainting : public ViewerOnXServer, public ::testing::WithParamInterface<CameraLoss> {};

TEST_P(CameraLossWhilePainting, LiveFramesComeBackOnScreen)
{
    OpenViewer(false);
    ASSERT_TRUE(WaitForPaneOnScreen()) << "pane on screen: " << ShareOnScreen(Pane());

    GetParam().lose();
    ASSERT_TRUE(PumpUntil([] { return emu_streaming() == 0; }, kPatience)) << "the capture never closed the camera";
    GetParam().restore();
    ASSERT_TRUE(PumpUntil([] { return emu_streaming() != 0; }, kPatience)) << "the capture never opened the camera again";

    ASSERT_TRUE(WaitForPaneOnScreen()) << "pane on screen after the camera came back: " << ShareOnScreen(Pane());
    const Picture before = m_screen;
    const bool live = PumpUntil(
        [&] {
            TakePictures();
            return MatchingShare(m_screen, before, Pane(), 0) < 0.999 && ShareOnScreen(Pane()) >= kSameShare;
        },
        kPatience);
    EXPECT_TRUE(live) << "the pane on screen is " << MatchingShare(m_screen, before, Pane(), 0)
                      << " unchanged and shows " << ShareOnScreen(Pane()) << " of what the window draws";
}

INSTANTIATE_TEST_SUITE_P(Viewer, CameraLossWhilePainting, ::testing::ValuesIn(kCameraLosses),
                         [](const ::testing::TestParamInfo<CameraLoss>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace xserver_test
