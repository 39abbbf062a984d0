// The thermal display's scene on a rendered window, and the alarm countdown that its paint drives.
#include <gtest/gtest.h>

#include <string>

#include "acquisition/irfile.h"
#include "platform/user/input.h"
#include "platform/user/surface.h"
#include "tests/view/DisplayFixture.h"

namespace {

using namespace view_test;
using platform::user::Picture;

constexpr std::uint32_t kImage = 0x0000C8;     // the frame's blue
constexpr std::uint32_t kInverted = 0xFFFF37;  // its bitwise inverse: every overlay pixel
constexpr std::uint32_t kWhite = 0xFFFFFF;

int Count(const Picture& p, int x0, int y0, int x1, int y1, std::uint32_t colour)
{
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(p.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(p.width, x1); ++x)
            n += (p.at(x, y) & 0xFFFFFFu) == colour;
    return n;
}

class Scene : public DisplayFixture {
protected:
    void SetUp() override
    {
        DisplayFixture::SetUp();
        MakeFrame(&frame.frame, kW, kH);
        FillKnownFrame(&frame.frame);
        disp.m_pImage = &frame.frame;
        // The cursor starts at (0, 0); keep its readout off the checked places.
        disp.m_nCursorX = 250;
        disp.m_nCursorY = 5;
    }
    Picture Shot(const char* png)
    {
        disp.Invalidate(FALSE);
        Picture p;
        EXPECT_TRUE(platform::user::RenderWindow(disp.GetSafeHwnd(), &p));
        platform::user::WritePictureToPng(p, OutputPath(png));
        return p;
    }
    FrameGuard frame;
};

TEST_F(Scene, NothingIsDrawnWithoutAFrame)
{
    disp.m_pImage = nullptr;
    theApp.m_nAlarmCountdown = 4;
    Picture p = Shot("view_scene_empty.png");
    EXPECT_EQ(Count(p, 0, 0, p.width, p.height, kImage), 0);
    EXPECT_EQ(theApp.m_nAlarmCountdown, 4);
}

TEST_F(Scene, ImageOutlinesLabelsAndHottestPixel)
{
    icons[3] = 1;  // hottest pixel
    View().rects.push_back(new RectShape{20, 40, 100, 30});
    Picture p = Shot("view_scene.png");
    ASSERT_EQ(p.width, 2 * kW);
    // The image fills the window where nothing is drawn over it.
    EXPECT_EQ(p.at(450, 200) & 0xFFFFFFu, kImage);
    EXPECT_EQ(Count(p, 300, 150, 500, 250, kInverted), 0);
    // The outline is the inverse of the image under it, dashed: most of its top edge is drawn.
    EXPECT_GT(Count(p, 50, 77, 230, 83, kInverted), 100);
    EXPECT_GT(Count(p, 37, 90, 43, 130, kInverted), 20);  // left edge
    // The statistics label above the rectangle, the number label right of it.
    EXPECT_GT(Count(p, 40, 50, 200, 77, kInverted), 30);
    EXPECT_GT(Count(p, 243, 58, 300, 80, kInverted), 10);
    // The hottest pixel's marker at its place (and the marker of the rectangle's own maximum at
    // its first pixel, as the rectangle is uniform).
    EXPECT_GT(Count(p, 392, 292, 408, 308, kInverted), 8);
    EXPECT_GT(Count(p, 34, 74, 47, 87, kInverted), 8);
}

TEST_F(Scene, HottestPixelOffDrawsNoMarker)
{
    Picture p = Shot("view_scene_nohot.png");
    EXPECT_EQ(Count(p, 380, 280, 460, 320, kInverted), 0);
}

TEST_F(Scene, FlippedFrameMarksTheShownHottestPixel)
{
    icons[3] = 1;
    View().flip = 3;
    Picture p = Shot("view_scene_flipped.png");
    // Frame (200, 150) shows at (55, 41), that is window (110, 82).
    EXPECT_GT(Count(p, 102, 74, 118, 90, kInverted), 8);
    EXPECT_EQ(Count(p, 392, 292, 408, 308, kInverted), 0);
}

TEST_F(Scene, CompareModeDrawsTheDividerAndTheTwins)
{
    disp.m_nDisplayMode = 2;
    View().rects.push_back(new RectShape{20, 40, 60, 30});
    Picture p = Shot("view_scene_compare.png");
    // The divider at W / 2, white and dashed.
    EXPECT_GT(Count(p, 254, 0, 259, 2 * kH, kWhite), 150);
    EXPECT_EQ(Count(p, 100, 0, 105, 2 * kH, kWhite), 0);
    // The twin's outline and its number label #11 half the width further right.
    EXPECT_GT(Count(p, 300, 77, 410, 83, kInverted), 60);
    EXPECT_GT(Count(p, 419, 58, 470, 80, kInverted), 10);
    EXPECT_GT(Count(p, 163, 58, 210, 80, kInverted), 10);  // #10
}

// Under a mirror a region drawn on the left board shows in the right half: its twin is drawn in the
// left half, where it is measured, so its marker lands on the frame's hot pixel as shown there.
struct TwinCase {
    const char* name;
    int flip;
    bool polygon;
    RectShape shape;  // as shown
    int twinX;
    POINT hotShown;   // the frame's hot pixel as shown, inside the twin
};

class CompareTwins : public Scene, public ::testing::WithParamInterface<TwinCase> {};

TEST_P(CompareTwins, AreDrawnWhereTheyAreMeasured)
{
    const TwinCase& c = GetParam();
    disp.m_nDisplayMode = 2;
    View().flip = c.flip;
    const RectShape& s = c.shape;
    if (c.polygon) {
        auto* poly = new PolygonShape;
        poly->m_points = {{s.x, s.y}, {s.x + s.w, s.y}, {s.x + s.w, s.y + s.h}, {s.x, s.y + s.h}};
        poly->UpdateMask();
        View().polygons.push_back(poly);
    } else {
        View().rects.push_back(new RectShape(s));
    }
    Picture p = Shot((std::string("view_scene_twin_") + c.name + ".png").c_str());
    // The twin's top edge, then the marker of its maximum.
    EXPECT_GT(Count(p, 2 * (c.twinX + 5), 2 * s.y - 2, 2 * (c.twinX + s.w - 5), 2 * s.y + 3, kInverted), 60);
    const POINT m{2 * c.hotShown.x, 2 * c.hotShown.y};
    EXPECT_GT(Count(p, m.x - 8, m.y - 8, m.x + 8, m.y + 8, kInverted), 8);
}

// The hot pixel, frame (200, 150), shows at (55, 150) mirrored, (200, 41) flipped, (55, 41) both.
const TwinCase kTwinCases[] = {
    {"MirroredRectangle", 1, false, {176, 130, 60, 40}, 48, {55, 150}},
    {"MirroredPolygon", 1, true, {176, 130, 60, 40}, 48, {55, 150}},
    {"FlippedRectangle", 2, false, {72, 20, 60, 40}, 200, {200, 41}},
    {"FlippedAndMirroredRectangle", 3, false, {176, 20, 60, 40}, 48, {55, 41}},
    {"FlippedAndMirroredPolygon", 3, true, {176, 20, 60, 40}, 48, {55, 41}},
};

INSTANTIATE_TEST_SUITE_P(View, CompareTwins, ::testing::ValuesIn(kTwinCases),
                         [](const ::testing::TestParamInfo<TwinCase>& i) { return std::string(i.param.name); });

TEST_F(Scene, UserPointsAreLabelledInTheFrame)
{
    View().points = {POINT{100, 100}, POINT{kW - 1, 20}, POINT{kW, 60}};
    Picture p = Shot("view_scene_points.png");
    EXPECT_GT(Count(p, 192, 192, 208, 208, kInverted), 8);  // marker of point 1
    EXPECT_GT(Count(p, 208, 170, 260, 200, kInverted), 10);  // its temperature
    EXPECT_GT(Count(p, 500, 32, 512, 48, kInverted), 4);  // the point in the last column
}

// The alarm countdown after one 2D paint (3D where said).
struct AlarmCase {
    const char* name;
    int start;          // countdown before the paint
    bool alarmToggle;
    int shape;          // 0 none, 1 rectangle over the hot pixel, 2 polygon over it
    int thresholdDelta; // threshold = hot value + delta
    bool threeD;
    int expected;
};

class Alarm : public Scene, public ::testing::WithParamInterface<AlarmCase> {};

TEST_P(Alarm, Countdown)
{
    const AlarmCase& c = GetParam();
    icons[2] = c.alarmToggle ? 1 : 0;
    theApp.m_capture.m_colorMap.m_nAlarm = static_cast<std::uint16_t>(kHot + c.thresholdDelta);
    if (c.shape == 1)
        View().rects.push_back(new RectShape{kHotX - 5, kHotY - 5, 10, 10});
    if (c.shape == 2) {
        auto* poly = new PolygonShape;
        poly->m_points = {{kHotX - 5, kHotY - 5}, {kHotX + 5, kHotY - 5}, {kHotX + 5, kHotY + 5}, {kHotX - 5, kHotY + 5}};
        poly->UpdateMask();
        View().polygons.push_back(poly);
    }
    disp.m_renderer.m_b3D = c.threeD ? 1 : 0;
    theApp.m_nAlarmCountdown = c.start;
    disp.DrawScene();
    EXPECT_EQ(theApp.m_nAlarmCountdown, c.expected);
}

const AlarmCase kAlarmCases[] = {
    {"RectangleOverStartsFromNegative", -1, true, 1, -1, false, 10},
    {"RunningAlarmIsNotRestarted", 5, true, 1, -1, false, 5},
    {"PolygonOverStarts", -1, true, 2, -1, false, 10},
    {"MaximumEqualToThresholdDoesNotTrigger", -1, true, 1, 0, false, 0},
    {"PolygonEqualToThresholdDoesNotTrigger", 5, true, 2, 0, false, 0},
    {"NoRegionOverResets", 7, true, 1, 100, false, 0},
    {"NoShapesReset", 3, true, 0, -1, false, 0},
    {"ToggleOffResetsEvenWhenOver", -1, false, 1, -1, false, 0},
    {"ThreeDLeavesItAlone", 7, true, 1, 100, true, 7},
    {"ThreeDDoesNotStartIt", -1, true, 1, -1, true, -1},
};

INSTANTIATE_TEST_SUITE_P(View, Alarm, ::testing::ValuesIn(kAlarmCases),
                         [](const ::testing::TestParamInfo<AlarmCase>& i) { return std::string(i.param.name); });

TEST_F(Scene, RegionOverThresholdGetsInnerSideLinesEvenWithTheToggleOff)
{
    theApp.m_capture.m_colorMap.m_nAlarm = kHot - 1;
    View().rects.push_back(new RectShape{kHotX - 20, kHotY - 20, 30, 30});
    Picture p = Shot("view_scene_alarm.png");
    // The inner line one pixel right of the left edge, from y + 3 to y + h - 3.
    const int x = 2 * (kHotX - 19);
    EXPECT_GT(Count(p, x - 1, 2 * (kHotY - 15), x + 2, 2 * (kHotY + 5), kInverted), 15);
    EXPECT_EQ(theApp.m_nAlarmCountdown, 0);
}

// A snapshot whose two info blocks disagree (a damaged or foreign file: the reader takes each block
// at its own size). The paint reads the temperature block with its own size only, in 2D and 3D.
struct MismatchCase {
    const char* name;
    int imageWidth, imageRows;
    int tempWidth, tempRows;
};

class MismatchedBlocks : public Scene, public ::testing::WithParamInterface<MismatchCase> {};

TEST_P(MismatchedBlocks, ArePaintedFromTheTemperatureBlocksOwnSize)
{
    const MismatchCase& c = GetParam();
    FrameGuard written;
    IrFrame& w = written.frame;
    w.image_info[0] = c.imageWidth;
    w.image_info[1] = c.imageRows;
    w.temp_info[0] = c.tempWidth;
    w.temp_info[1] = c.tempRows;
    w.image_size = static_cast<std::uint32_t>(c.imageWidth * c.imageRows * 2);
    w.temp_size = static_cast<std::uint32_t>(c.tempWidth * c.tempRows * 2);
    ASSERT_EQ(ircam_frame_alloc_buffers(&w), 0);
    // One hot sample where both blocks reach.
    const int hotX = std::min(c.imageWidth, c.tempWidth) - 10;
    const int hotY = std::min(c.imageRows, c.tempRows) - 10;
    for (int i = 0; i < c.tempWidth * c.tempRows; ++i)
        w.temp_data[i] = kBase;
    w.temp_data[hotY * c.tempWidth + hotX] = kHot;
    const std::string path = OutputPath(std::string("view_mismatch_") + c.name + ".ir");
    ASSERT_EQ(irfile_write(&w, path.c_str()), 0);
    ASSERT_EQ(irfile_read(&frame.frame, path.c_str()), 0);

    icons[2] = 1;  // alarm
    icons[3] = 1;  // hottest pixel
    icons[4] = 1;  // cursor temperature
    disp.m_nCursorX = c.imageWidth - 1;
    disp.m_nCursorY = c.imageRows - 1;
    theApp.m_capture.m_colorMap.m_nAlarm = kHot - 1;
    View().rects.push_back(new RectShape{0, 0, c.imageWidth, c.imageRows});
    View().points = {POINT{c.imageWidth - 2, c.imageRows - 2}};
    disp.DrawScene();
    EXPECT_EQ(disp.m_wHotValue, kHot);
    EXPECT_EQ(disp.m_nHotX, hotX);
    EXPECT_EQ(disp.m_nHotY, hotY);
    EXPECT_EQ(theApp.m_nAlarmCountdown, 10);  // the rectangle found the hot sample
    disp.m_renderer.m_b3D = 1;
    disp.DrawScene();
}

INSTANTIATE_TEST_SUITE_P(Snapshot, MismatchedBlocks,
                         ::testing::Values(MismatchCase{"SmallerTemperatureBlock", kW, kH, kW / 2, kH / 2},
                                           MismatchCase{"LargerTemperatureBlock", kW / 2, kH / 2, kW, kH},
                                           MismatchCase{"FewerTemperatureRows", kW, kH, kW, kH / 2},
                                           MismatchCase{"NarrowerTemperatureRows", kW, kH, 100, kH}),
                         [](const ::testing::TestParamInfo<MismatchCase>& i) { return std::string(i.param.name); });

}  // namespace

namespace {

using namespace view_test;

// The display's own handling of the mouse, wheel and keys.
class DisplayInput : public DisplayFixture {
protected:
    void SetUp() override
    {
        DisplayFixture::SetUp();
        CIRDataCapture& cap = theApp.m_capture;
        MakeFrame(&cap.m_frameImage, kW, kH);
        MakeFrame(&cap.m_frameLive, kW, kH);
        FillKnownFrame(&cap.m_frameImage);
        FillKnownFrame(&cap.m_frameLive);
        disp.m_pImage = &cap.m_frameImage;
        disp.DrawScene();  // records the image size: zoom 2 fills the window
        hwnd = disp.GetSafeHwnd();
    }
    void TearDown() override
    {
        platform::user::input::Key(VK_CONTROL, false);
        Pump();
        disp.m_pImage = nullptr;
        ircam_frame_free(&theApp.m_capture.m_frameImage);
        ircam_frame_free(&theApp.m_capture.m_frameLive);
        DisplayFixture::TearDown();
    }
    static bool StillBlue(const IrFrame& f) { return f.rgb_buf[0] == 0 && f.rgb_buf[1] == 0 && f.rgb_buf[2] == 200; }
    void Wheel(int delta)
    {
        POINT screen{100, 100};
        ::ClientToScreen(hwnd, &screen);
        SendMessage(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(screen.x, screen.y));
    }
    HWND hwnd = nullptr;
};

TEST_F(DisplayInput, StartsAtZoomFourWithItsCamera)
{
    CStaticDisplay fresh;
    EXPECT_FLOAT_EQ(fresh.m_renderer.m_pViews[0].zoom, 4.0f);
    EXPECT_EQ(fresh.m_renderer.m_nViewCount, 2);
    EXPECT_FLOAT_EQ(fresh.m_renderer.m_fRotX, 45.0f);
    EXPECT_FLOAT_EQ(fresh.m_renderer.m_fTransY, -10.0f);
    EXPECT_FLOAT_EQ(fresh.m_renderer.m_fTransZ, -5.0f);
    EXPECT_EQ(fresh.m_pImage, nullptr);
}

TEST_F(DisplayInput, MouseMoveTracksTheCursorAndRecoloursAStillImage)
{
    Send(hwnd, WM_MOUSEMOVE, 2 * 30, 2 * 40);
    EXPECT_EQ(disp.m_nCursorX, 30);
    EXPECT_EQ(disp.m_nCursorY, 40);
    EXPECT_FALSE(StillBlue(theApp.m_capture.m_frameImage));  // re-coloured from its samples
    // A point outside the frame keeps the last pixel.
    View().zoom = 1.0f;
    disp.m_renderer.LayoutView(0);  // a 256 x 192 image in the middle of the window
    Send(hwnd, WM_MOUSEMOVE, 5, 5);
    EXPECT_EQ(disp.m_nCursorX, 30);
    EXPECT_EQ(disp.m_nCursorY, 40);
}

TEST_F(DisplayInput, LiveFrameIsNotRecolouredByTheMouse)
{
    disp.m_pImage = &theApp.m_capture.m_frameLive;
    Send(hwnd, WM_MOUSEMOVE, 2 * 30, 2 * 40);
    EXPECT_EQ(disp.m_nCursorX, 30);
    EXPECT_TRUE(StillBlue(theApp.m_capture.m_frameLive));
}

TEST_F(DisplayInput, VideoFrameIsRecolouredOnlyWhileNoVideoPlays)
{
    CIRDataCapture& cap = theApp.m_capture;
    MakeFrame(&cap.m_frameVideo, kW, kH);
    FillKnownFrame(&cap.m_frameVideo);
    disp.m_pImage = &cap.m_frameVideo;
    theApp.m_bVideoPlaying = 1;
    disp.RefreshImage(true);
    EXPECT_TRUE(StillBlue(cap.m_frameVideo));
    theApp.m_bVideoPlaying = 0;
    disp.RefreshImage(true);
    EXPECT_FALSE(StillBlue(cap.m_frameVideo));
    disp.m_pImage = nullptr;
    ircam_frame_free(&cap.m_frameVideo);
}

TEST_F(DisplayInput, WheelZoomsOnlyWithControl)
{
    Wheel(-120);
    EXPECT_FLOAT_EQ(View().zoom, 2.0f);
    platform::user::input::Key(VK_CONTROL, true);
    Pump();
    ASSERT_LT(GetKeyState(VK_CONTROL), 0);
    Wheel(-120);
    EXPECT_FLOAT_EQ(View().zoom, 4.0f);
    Wheel(120);
    EXPECT_FLOAT_EQ(View().zoom, 2.0f);
}

TEST_F(DisplayInput, ControlDragPansAndPlainDragEdits)
{
    View().zoom = 4.0f;
    disp.m_renderer.LayoutView(0);
    disp.m_nTool = TOOL_RECT;
    platform::user::input::Key(VK_CONTROL, true);
    Pump();
    Drag(hwnd, 200, 200, 180, 190);
    EXPECT_EQ(View().pan.x, 20);
    EXPECT_EQ(View().pan.y, 10);
    EXPECT_TRUE(View().rects.empty());
    platform::user::input::Key(VK_CONTROL, false);
    Pump();
    Drag(hwnd, 100, 100, 180, 160);
    EXPECT_EQ(View().rects.size(), 1u);
}

TEST_F(DisplayInput, KeyRResetsTheView)
{
    disp.m_renderer.m_fRotX = 10.0f;
    disp.m_renderer.m_fTransY = 3.0f;
    SendMessage(hwnd, WM_KEYDOWN, 'Q', 0);
    EXPECT_FLOAT_EQ(disp.m_renderer.m_fRotX, 10.0f);
    SendMessage(hwnd, WM_KEYDOWN, 0x52, 0);
    EXPECT_FLOAT_EQ(disp.m_renderer.m_fRotX, 45.0f);
    EXPECT_FLOAT_EQ(disp.m_renderer.m_fTransY, -10.0f);
    EXPECT_FLOAT_EQ(View().zoom, 4.0f);
}

TEST_F(DisplayInput, ThreeDFrameDrawsTheSurface)
{
    disp.m_renderer.m_b3D = 1;
    disp.Invalidate(FALSE);
    platform::user::Picture p;
    ASSERT_TRUE(platform::user::RenderWindow(hwnd, &p));
    platform::user::WritePictureToPng(p, OutputPath("view_scene_3d.png"));
    int blue = 0;
    for (std::uint32_t px : p.pixels)
        blue += (px & 0xFFFFFFu) == 0x0000C8;
    EXPECT_GT(blue, 1000);  // the coloured surface
}

}  // namespace
