// What the main window's initialisation sets up and its destruction takes down beyond its own
// children: the colour window it starts the colour bar on, and the curve windows of Compare mode.
#include <gtest/gtest.h>

#include <vector>

#include "tests/app/MainWindowFixture.h"

using namespace app_test;

namespace {

class StartUpTest : public MainWindowTest {
protected:
    // A colour window the initialisation has to replace.
    void SetUp() override
    {
        ZelColorMap& map = theApp.m_capture.m_colorMap;
        {
            CAutoLock lock(&map.m_lock);
            map.SetDisplayRange(21.0, 23.0);
        }
        MainWindowTest::SetUp();
    }
};

// Until the display follows the frames, six seconds on, they are coloured over 28 to 40 degrees.
TEST_F(StartUpTest, TheColourBarStartsOnTwentyEightToFortyDegrees)
{
    const ZelColorMap& map = theApp.m_capture.m_colorMap;
    EXPECT_EQ(map.m_nDisplayLow, ZelColorMap::CelsiusToRaw(28.0));
    EXPECT_EQ(map.m_nDisplayHigh, ZelColorMap::CelsiusToRaw(40.0));
    const COGLSlider& bar = dlg.m_slider;
    EXPECT_EQ(bar.m_dMarkerPos[0], colour_bar::MarkerPosition(map.m_nDisplayHigh, map.m_nRangeLow, map.m_nRangeHigh));
    EXPECT_EQ(bar.m_dMarkerPos[1], colour_bar::MarkerPosition(map.m_nDisplayLow, map.m_nRangeLow, map.m_nRangeHigh));
}

TEST_F(MainWindowTest, DestroyingTheWindowClosesItsCurveWindows)
{
    QuietWorkers();
    Click(CVantrelDlg::kModeCompare);
    ASSERT_EQ(dlg.m_display.m_nDisplayMode, 2);
    // As the shape editor reports a rectangle and a polygon drawn.
    dlg.m_display.OnShapeChanged(SHAPE_RECT, 0, SHAPE_ADDED);
    dlg.m_display.OnShapeChanged(SHAPE_POLYGON, 0, SHAPE_ADDED);
    ASSERT_EQ(dlg.m_curveDlgs.size(), 2u);
    std::vector<HWND> curves;
    for (CDlgCurve* curve : dlg.m_curveDlgs) {
        ASSERT_TRUE(::IsWindow(curve->GetSafeHwnd()));
        curves.push_back(curve->GetSafeHwnd());
    }
    dlg.DestroyWindow();
    EXPECT_TRUE(dlg.m_curveDlgs.empty());
    for (HWND curve : curves) EXPECT_FALSE(::IsWindow(curve));
}

}  // namespace
