// The colour bar in a window: created markers and icons, icon toggles and their settings,
// picking, dragging the window markers (the colour map, the window offsets and the main
// display's image follow) and the threshold, Ctrl+wheel range changes, SetColorMode, and the
// painted bar.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/acquisition/FrameFixture.h"
#include "tests/view_widgets/WidgetTestSupport.h"
#include "view/COGLSlider.h"
#include "view/CStaticDisplay.h"

namespace {

using namespace colour_bar;
using view_test::Move;
using view_test::Press;
using view_test::Release;

constexpr int kWidth = 125;
constexpr int kHeight = 600;  // bar from 30 to 570

class SliderTest : public widget_test::MainWindowTest {
protected:
    void SetUp() override
    {
        widget_test::MainWindowTest::SetUp();
        theApp.m_settings[7].value.nValue = 1;
        theApp.m_settings[8].value.nValue = 0;
        theApp.m_settings[9].value.nValue = 1;
        map.SetDisplayRange(28.0, 40.0);
        map.BuildLut();
        slider.m_pColorMap = &map;
    }
    void TearDown() override
    {
        COGLSlider::SetMainDisplay(nullptr);
        if (::IsWindow(slider.m_hWnd))
            slider.DestroyWindow();
        widget_test::MainWindowTest::TearDown();
    }
    void CreateSlider()
    {
        ASSERT_TRUE(slider.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(10, 10, 10 + kWidth, 10 + kHeight), &main,
                                  5000));
    }
    // A wheel notch at a client point, as the window layer sends it (screen coordinates).
    void Wheel(int x, int y, int delta)
    {
        POINT screen{x, y};
        ::ClientToScreen(slider.m_hWnd, &screen);
        ::SendMessage(slider.m_hWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(screen.x, screen.y));
    }

    ZelColorMap& map = theApp.m_capture.m_colorMap;
    COGLSlider slider;
};

TEST_F(SliderTest, FreshBarShowsWindowMarkersAtFiveAndNinetyFivePercent)
{
    CreateSlider();
    EXPECT_DOUBLE_EQ(slider.m_dBarTop, 0.05);
    EXPECT_DOUBLE_EQ(slider.m_dBarBottom, 0.95);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[kWindowHigh], 0.05);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[kWindowLow], 0.95);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[kThreshold], MarkerPosition(map.m_nAlarm, map.m_nRangeLow, map.m_nRangeHigh));
    EXPECT_EQ(slider.MarkerY(kWindowHigh), 57);
    EXPECT_EQ(slider.MarkerY(kWindowLow), 543);
    EXPECT_EQ(slider.m_nPicked, -1);
    EXPECT_EQ(slider.m_bNavigate, 1);
    ASSERT_EQ(slider.m_renderer.m_nViewCount, 5);
    const RenderView& bar = slider.m_renderer.m_pViews[0];
    EXPECT_EQ(bar.imageWidth, static_cast<std::uint32_t>(kWidth));
    EXPECT_EQ(bar.imageHeight, static_cast<std::uint32_t>(kHeight));
    EXPECT_EQ(bar.source.w, kWidth);
    EXPECT_EQ(bar.viewport.h, kHeight);
    for (int icon = 1; icon <= 4; ++icon) {
        const RenderView& v = slider.m_renderer.m_pViews[icon];
        EXPECT_EQ(v.target.x, kWidth - 20);
        EXPECT_EQ(v.target.y, kHeight - 30 * icon);
        EXPECT_EQ(v.imageWidth, 20u);
        EXPECT_EQ(v.viewport.w, 20);
        EXPECT_EQ(v.viewport.y, kHeight - 30 * icon);
    }
}

TEST_F(SliderTest, IconFlagsComeFromSettingsSevenToNine)
{
    CreateSlider();
    EXPECT_EQ(slider.m_bIcon[2], 1);
    EXPECT_EQ(slider.m_bIcon[3], 0);
    EXPECT_EQ(slider.m_bIcon[4], 1);
}

TEST_F(SliderTest, ColourRequestsGetTheBlackBrush)
{
    CreateSlider();
    HDC dc = ::GetDC(slider.m_hWnd);
    const LRESULT brush = ::SendMessage(slider.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(slider.m_hWnd));
    ::ReleaseDC(slider.m_hWnd, dc);
    ASSERT_NE(slider.m_brushBk.GetSafeHandle(), nullptr);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), slider.m_brushBk.GetSafeHandle());
}

TEST_F(SliderTest, ResizePlacesTheIconsAgain)
{
    CreateSlider();
    slider.MoveWindow(10, 10, 125, 300);
    EXPECT_EQ(slider.m_renderer.m_pViews[0].imageHeight, 300u);
    EXPECT_EQ(slider.m_renderer.m_pViews[2].target.y, 300 - 60);
    EXPECT_EQ(slider.Span().bottom, 285);
}

TEST_F(SliderTest, IconPressesToggleFlagsAndSettingsOnly)
{
    CreateSlider();
    slider.m_dMarkerPos[kWindowHigh] = 0.5;  // out of the icons' way
    widget_test::Shot(slider.m_hWnd, "slider_before_toggle.png");  // paints what is pending
    Press(slider.m_hWnd, 110, 50);
    EXPECT_EQ(slider.m_bIcon[2], 0);
    EXPECT_EQ(theApp.m_settings[7].value.nValue, 0);
    EXPECT_EQ(slider.m_nPicked, -1);
    // Nothing is repainted for a toggle.
    EXPECT_FALSE(platform::user::PeekUpdateRegion(slider.m_hWnd, nullptr));
    Release(slider.m_hWnd, 110, 50);

    view_test::Click(slider.m_hWnd, 110, 80);
    EXPECT_EQ(slider.m_bIcon[3], 1);
    EXPECT_EQ(theApp.m_settings[8].value.nValue, 1);
    view_test::Click(slider.m_hWnd, 110, 110);
    EXPECT_EQ(slider.m_bIcon[4], 0);
    EXPECT_EQ(theApp.m_settings[9].value.nValue, 0);

    // The unit icon toggles and touches no setting.
    view_test::Click(slider.m_hWnd, 110, 20);
    EXPECT_EQ(slider.m_bIcon[1], 1);
    EXPECT_EQ(theApp.m_settings[7].value.nValue, 0);
    EXPECT_EQ(theApp.m_settings[8].value.nValue, 1);
    EXPECT_EQ(theApp.m_settings[9].value.nValue, 0);

    // Between the icons nothing toggles.
    view_test::Click(slider.m_hWnd, 110, 35);
    EXPECT_EQ(slider.m_bIcon[1], 1);
    EXPECT_EQ(slider.m_bIcon[2], 0);
}

TEST_F(SliderTest, PressOnAnIconInsideAMarkerZoneDoesBoth)
{
    CreateSlider();
    slider.m_dMarkerPos[kWindowHigh] = 30.0 / 540.0;  // y 60: zone [45, 60)
    Press(slider.m_hWnd, 110, 50);
    EXPECT_EQ(slider.m_nPicked, kWindowHigh);
    EXPECT_EQ(slider.m_bIcon[2], 0);
    Release(slider.m_hWnd, 110, 50);
    EXPECT_EQ(slider.m_nPicked, -1);
}

// After UpdateMarkers with the window 28-40 degrees: window high at y 210, low at 426, threshold at
// 138 (the default colour map with CoefK 1, CoefB 0).
class SliderMarkers : public SliderTest {
protected:
    void SetUp() override
    {
        SliderTest::SetUp();
        CreateSlider();
        slider.UpdateMarkers(1);
        ASSERT_EQ(slider.MarkerY(kWindowHigh), 210);
        ASSERT_EQ(slider.MarkerY(kWindowLow), 426);
        ASSERT_EQ(slider.MarkerY(kThreshold), 138);
    }
};

TEST_F(SliderMarkers, UpdateMarkersTakesAllFiveFromTheColourMap)
{
    map.SetFrameMinMax(19000, 20500);
    map.m_nAlarm = 20100;
    slider.UpdateMarkers(0);
    const std::uint16_t values[5] = {map.m_nDisplayHigh, map.m_nDisplayLow, 20100, 20500, 19000};
    for (int k = 0; k < 5; ++k)
        EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[k], MarkerPosition(values[k], map.m_nRangeLow, map.m_nRangeHigh)) << k;
}

TEST_F(SliderMarkers, DraggingTheWindowHighNarrowsTheColourWindow)
{
    const std::int16_t before[2] = {theApp.m_capture.m_winOffset[0][0], theApp.m_capture.m_winOffset[0][1]};
    const std::int16_t other[2] = {theApp.m_capture.m_winOffset[1][0], theApp.m_capture.m_winOffset[1][1]};
    const std::uint16_t oldHigh = map.m_nDisplayHigh;
    const std::uint16_t oldLow = map.m_nDisplayLow;
    Press(slider.m_hWnd, 60, 205);
    ASSERT_EQ(slider.m_nPicked, kWindowHigh);
    Move(slider.m_hWnd, 60, 300);
    EXPECT_EQ(slider.MarkerY(kWindowHigh), 300);
    const std::uint16_t newHigh = WindowEndAt(270.0 / 540.0, map.m_nRangeLow, map.m_nRangeHigh);
    const std::uint16_t newLow = WindowEndAt(slider.m_dMarkerPos[kWindowLow], map.m_nRangeLow, map.m_nRangeHigh);
    EXPECT_EQ(map.m_nDisplayHigh, newHigh);
    EXPECT_EQ(map.m_nDisplayLow, newLow);
    EXPECT_LT(newHigh, oldHigh);
    // Colour mode 0 keeps its offsets in the first pair.
    EXPECT_EQ(theApp.m_capture.m_winOffset[0][1], before[1] + (newHigh - oldHigh));
    EXPECT_EQ(theApp.m_capture.m_winOffset[0][0], before[0] + (newLow - oldLow));
    EXPECT_EQ(theApp.m_capture.m_winOffset[1][0], other[0]);
    EXPECT_EQ(theApp.m_capture.m_winOffset[1][1], other[1]);
    // The table was rebuilt: the palette's last colour now sits at the new window high.
    std::uint8_t c[3];
    map.GetColor(c, newHigh);
    EXPECT_EQ(c[0], ZelColorMap::kPalette0[255 * 3]);
    EXPECT_EQ(c[2], ZelColorMap::kPalette0[255 * 3 + 2]);
    Release(slider.m_hWnd, 60, 300);
    EXPECT_EQ(slider.m_nPicked, -1);
}

// A menu or dialog opened while a marker is held ends the drag as the release would: the marker
// is let go, and the capture with it.
TEST_F(SliderMarkers, AModeCancelLetsGoOfTheHeldMarker)
{
    Press(slider.m_hWnd, 60, 205);
    ASSERT_EQ(slider.m_nPicked, kWindowHigh);
    ASSERT_EQ(GetCapture(), slider.m_hWnd);
    SendMessage(slider.m_hWnd, WM_CANCELMODE, 0, 0);
    EXPECT_EQ(slider.m_nPicked, -1);
    EXPECT_EQ(GetCapture(), nullptr);
    const double high = slider.m_dMarkerPos[kWindowHigh];
    Move(slider.m_hWnd, 60, 300);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[kWindowHigh], high);
}

TEST_F(SliderMarkers, HotColourModeKeepsItsOffsetsInTheSecondPair)
{
    theApp.m_capture.m_nColorMode = 1;
    const std::int16_t first[2] = {theApp.m_capture.m_winOffset[0][0], theApp.m_capture.m_winOffset[0][1]};
    const std::int16_t before = theApp.m_capture.m_winOffset[1][0];
    const std::uint16_t oldLow = map.m_nDisplayLow;
    Press(slider.m_hWnd, 60, 430);
    ASSERT_EQ(slider.m_nPicked, kWindowLow);
    Move(slider.m_hWnd, 60, 500);
    EXPECT_EQ(theApp.m_capture.m_winOffset[1][0], before + (map.m_nDisplayLow - oldLow));
    EXPECT_LT(map.m_nDisplayLow, oldLow);
    EXPECT_EQ(theApp.m_capture.m_winOffset[0][0], first[0]);
    EXPECT_EQ(theApp.m_capture.m_winOffset[0][1], first[1]);
    Release(slider.m_hWnd, 60, 500);
}

TEST_F(SliderMarkers, PointerOutsideTheBarMovesNoWindowMarker)
{
    const double high = slider.m_dMarkerPos[kWindowHigh];
    Press(slider.m_hWnd, 60, 205);
    Move(slider.m_hWnd, 60, 10);
    Move(slider.m_hWnd, 60, 590);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[kWindowHigh], high);
    // The window is still set from the (unchanged) marker on every move.
    EXPECT_EQ(map.m_nDisplayHigh, WindowEndAt(high, map.m_nRangeLow, map.m_nRangeHigh));
    Release(slider.m_hWnd, 60, 590);
}

TEST_F(SliderMarkers, MovesWithoutAPressChangeNothing)
{
    const double high = slider.m_dMarkerPos[kWindowHigh];
    view_test::Send(slider.m_hWnd, WM_MOUSEMOVE, 60, 300);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[kWindowHigh], high);
    // A press off every marker picks none, and its moves change nothing either.
    Press(slider.m_hWnd, 60, 300);
    EXPECT_EQ(slider.m_nPicked, -1);
    const std::uint16_t displayHigh = map.m_nDisplayHigh;
    Move(slider.m_hWnd, 60, 250);
    EXPECT_EQ(map.m_nDisplayHigh, displayHigh);
    Release(slider.m_hWnd, 60, 250);
}

TEST_F(SliderMarkers, ThresholdFollowsThePointerAndSticksAtTheRangeHigh)
{
    Press(slider.m_hWnd, 60, 140);
    ASSERT_EQ(slider.m_nPicked, kThreshold);
    Move(slider.m_hWnd, 60, 300);
    EXPECT_EQ(map.m_nAlarm, RawAtPosition(0.5, map.m_nRangeLow, map.m_nRangeHigh));
    Move(slider.m_hWnd, 60, 650);  // below the bar: no lower bound
    EXPECT_LT(map.m_nAlarm, map.m_nRangeLow);
    Move(slider.m_hWnd, 60, 5);  // above the bar's top
    EXPECT_EQ(map.m_nAlarm, map.m_nRangeHigh);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[kThreshold], 0.0);
    Release(slider.m_hWnd, 60, 5);
}

TEST_F(SliderMarkers, ThresholdIsPickableWithTheAlarmIconOff)
{
    slider.m_bIcon[2] = 0;
    Press(slider.m_hWnd, 10, 130);
    EXPECT_EQ(slider.m_nPicked, kThreshold);
    Release(slider.m_hWnd, 10, 130);
}

// A still image shown by the main window's display: samples rising from left to right over the
// colour map's range.
class SliderWithDisplay : public SliderMarkers {
protected:
    void SetUp() override
    {
        SliderMarkers::SetUp();
        MakeFrame(&theApp.m_capture.m_frameImage, 32, 4);
        FillSamples(&theApp.m_capture.m_frameImage,
                    [](int x, int) { return static_cast<std::uint16_t>(18800 + x * 60); });
        display.m_pImage = &theApp.m_capture.m_frameImage;
        COGLSlider::SetMainDisplay(&display);
        display.RefreshImage(false);
    }
    void TearDown() override
    {
        COGLSlider::SetMainDisplay(nullptr);
        ircam_frame_free(&theApp.m_capture.m_frameImage);
        SliderMarkers::TearDown();
    }
    const std::uint8_t* Pixel(int x) const { return theApp.m_capture.m_frameImage.rgb_buf + 3 * x; }

    CStaticDisplay display;
};

TEST_F(SliderWithDisplay, ColourWindowOnTheDisplayFollowsADrag)
{
    // Column 20 (raw 20000) is inside the window 28-40 degrees at first.
    ASSERT_LT(20000, map.m_nDisplayHigh);
    const std::uint8_t before[3] = {Pixel(20)[0], Pixel(20)[1], Pixel(20)[2]};
    EXPECT_FALSE(before[0] == 0xFF && before[1] == 0xFF && before[2] == 0xFF);
    Press(slider.m_hWnd, 60, 205);
    Move(slider.m_hWnd, 60, 400);  // window high below 20000
    ASSERT_LT(map.m_nDisplayHigh, 20000);
    // Above the window: white, without any other repaint of the display.
    EXPECT_EQ(Pixel(20)[0], 0xFF);
    EXPECT_EQ(Pixel(20)[1], 0xFF);
    EXPECT_EQ(Pixel(20)[2], 0xFF);
    Release(slider.m_hWnd, 60, 400);
}

TEST_F(SliderWithDisplay, SetColorModeRecoloursTheShownFrame)
{
    theApp.m_capture.m_frameImage.rgb_buf[0] = 1;
    COGLSlider::SetColorMode(1);
    EXPECT_EQ(theApp.m_capture.m_nColorMode, 1);
    // The hot window was fitted to the frame: its maximum plus the mode's high offset.
    EXPECT_EQ(map.m_nFrameMax, 18800 + 31 * 60);
    EXPECT_EQ(map.m_nDisplayHigh, 18800 + 31 * 60 + theApp.m_capture.m_winOffset[1][1]);
    EXPECT_NE(theApp.m_capture.m_frameImage.rgb_buf[0], 1);
    COGLSlider::SetColorMode(0);
    EXPECT_EQ(theApp.m_capture.m_nColorMode, 0);
}

TEST_F(SliderTest, SetColorModeWithoutADisplayOnlySetsTheMode)
{
    COGLSlider::SetColorMode(1);
    EXPECT_EQ(theApp.m_capture.m_nColorMode, 1);
}

class SliderWheel : public SliderMarkers {
protected:
    void TearDown() override
    {
        HoldCtrl(false);
        SliderMarkers::TearDown();
    }
    // The key as the user presses or lets it go, taken before the next wheel notch.
    static void HoldCtrl(bool down)
    {
        platform::user::input::Key(VK_CONTROL, down);
        view_test::Pump();
    }
};

TEST_F(SliderWheel, CtrlWheelInTheTopBandMovesTheRangeHigh)
{
    const std::uint16_t high = map.m_nRangeHigh;
    const std::uint16_t low = map.m_nRangeLow;
    HoldCtrl(true);
    Wheel(60, 20, 120);
    EXPECT_NEAR(map.m_nRangeHigh, high + 64, 1);
    EXPECT_EQ(map.m_nRangeLow, low);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[kWindowHigh],
                     MarkerPosition(map.m_nDisplayHigh, map.m_nRangeLow, map.m_nRangeHigh));
    // The table spans the new range.
    std::uint8_t c[3];
    map.GetColor(c, map.m_nDisplayHigh);
    EXPECT_EQ(c[0], ZelColorMap::kPalette0[255 * 3]);
    Wheel(60, 20, -120);
    EXPECT_NEAR(map.m_nRangeHigh, high, 1);
}

TEST_F(SliderWheel, CtrlWheelInTheBottomBandMovesTheRangeLow)
{
    const std::uint16_t low = map.m_nRangeLow;
    const std::uint16_t high = map.m_nRangeHigh;
    HoldCtrl(true);
    Wheel(60, 580, -120);
    EXPECT_NEAR(map.m_nRangeLow, low - 64, 1);
    EXPECT_EQ(map.m_nRangeHigh, high);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[kWindowLow],
                     MarkerPosition(map.m_nDisplayLow, map.m_nRangeLow, map.m_nRangeHigh));
}

TEST_F(SliderWheel, WheelInTheMiddleOrWithoutCtrlChangesNothing)
{
    const std::uint16_t low = map.m_nRangeLow;
    const std::uint16_t high = map.m_nRangeHigh;
    const double positions[2] = {slider.m_dMarkerPos[0], slider.m_dMarkerPos[1]};
    HoldCtrl(true);
    Wheel(60, 300, 120);
    HoldCtrl(false);
    Wheel(60, 20, 120);
    Wheel(60, 580, -120);
    EXPECT_EQ(map.m_nRangeLow, low);
    EXPECT_EQ(map.m_nRangeHigh, high);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[0], positions[0]);
    EXPECT_DOUBLE_EQ(slider.m_dMarkerPos[1], positions[1]);
}

TEST_F(SliderMarkers, PaintedBar)
{
    using widget_test::Rgb;
    platform::user::Picture p = widget_test::Shot(slider.m_hWnd, "slider.png");
    ASSERT_EQ(p.width, kWidth);
    ASSERT_EQ(p.height, kHeight);
    const std::uint32_t background = 0x022032;
    EXPECT_EQ(Rgb(p, 100, 300), background);
    EXPECT_EQ(Rgb(p, 30, 590), background);
    // The grey range bar above the colour window, the palette over it.
    EXPECT_EQ(Rgb(p, 45, 100), 0x666666u);
    EXPECT_EQ(Rgb(p, 45, 560), 0x666666u);
    EXPECT_EQ(Rgb(p, 45, 20), background);  // above T
    const std::uint32_t top = Rgb(p, 45, 213);
    const std::uint32_t bottom = Rgb(p, 45, 422);
    EXPECT_GT(widget_test::Red(top), 0xF0);  // near the palette's pale yellow end
    EXPECT_GT(widget_test::Green(top), 0xF0);
    EXPECT_LT(widget_test::Red(bottom) + widget_test::Green(bottom), 0x20);  // near its black end
    // The window triangles, white while not picked.
    EXPECT_EQ(Rgb(p, 66, 207), 0xFFFFFFu);
    EXPECT_EQ(Rgb(p, 66, 429), 0xFFFFFFu);
    // Alarm on: the loudspeaker's stem on the bar at the threshold.
    EXPECT_EQ(Rgb(p, 52, 138), 0xFFFFFFu);
    // Icons: the unit's faint square; the hottest-pixel icon (off) crossed out, the others not.
    EXPECT_NE(Rgb(p, 122, 28), background);
    EXPECT_EQ(Rgb(p, 108, 73), 0xFFFFFFu);
    EXPECT_EQ(Rgb(p, 108, 103), background);
    EXPECT_EQ(Rgb(p, 108, 43), background);
}

// The bar's background with nothing on it but this text, white in the bar's ASCII font at the
// point, as the bar draws its labels.
platform::user::Picture TextOnTheBar(COGLSlider& slider, const std::string& text, int x, int y)
{
    CZelRendererOpenGL& r = slider.m_renderer;
    r.BeginFrame(2u | (32u << 8) | (50u << 16));
    r.SetViewport(0);
    r.SetColor(255, 255, 255);
    r.DrawAsciiText(text.c_str(), x, y, 0);
    r.EndFrame();
    ::ValidateRect(slider.m_hWnd, nullptr);
    platform::user::Picture p;
    EXPECT_TRUE(platform::user::RenderWindow(slider.m_hWnd, &p));
    return p;
}

TEST_F(SliderMarkers, AlarmLabelGivesTheThreshold)
{
    char threshold[32], windowHigh[32];
    std::snprintf(threshold, sizeof threshold, "%.1f", ZelColorMap::RawToCelsius(map.m_nAlarm));
    std::snprintf(windowHigh, sizeof windowHigh, "%.1f", ZelColorMap::RawToCelsius(map.m_nDisplayHigh));
    ASSERT_STRNE(threshold, windowHigh);
    const platform::user::Picture p = widget_test::Shot(slider.m_hWnd, "slider_alarm_label.png");
    const int y = slider.MarkerY(kThreshold) + 5;
    EXPECT_TRUE(view_test::ShowsTheSameText(p, TextOnTheBar(slider, threshold, 70, y), TextOnTheBar(slider, "", 70, y)))
        << threshold;
}

TEST_F(SliderMarkers, PickedTriangleTurnsRedAndAlarmOffHidesTheLoudspeaker)
{
    using widget_test::Rgb;
    slider.m_bIcon[2] = 0;
    Press(slider.m_hWnd, 60, 205);
    platform::user::Picture p = widget_test::Shot(slider.m_hWnd, "slider_picked.png");
    EXPECT_EQ(Rgb(p, 66, 207), 0xFF0000u);
    EXPECT_EQ(Rgb(p, 66, 429), 0xFFFFFFu);
    EXPECT_EQ(Rgb(p, 52, 138), 0x022032u);
    EXPECT_EQ(Rgb(p, 45, 138), 0x666666u);
    EXPECT_EQ(Rgb(p, 108, 43), 0xFFFFFFu);  // the alarm icon crossed out
    Release(slider.m_hWnd, 60, 205);
}

}  // namespace
