// The curve windows of Compare mode through the real main window: regions drawn with the mouse on
// the thermal display open their windows, each live frame adds the maxima of the region and of its
// twin, the x axis slides after 200 frames, and deleting a region closes its own window only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/MainWindowFixture.h"

using namespace app_test;

namespace {

using B = CVantrelDlg;
namespace input = platform::user::input;

class CurveTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // Wide enough for the display to show the whole image at its zoom.
        SizeClient(1920, 1080);
        ASSERT_TRUE(WaitForLiveFrame());
        // The live record stays as it is; frames arrive only when the test says so.
        QuietWorkers();
        Click(B::kModeCompare);
        ASSERT_EQ(dlg.m_display.m_nDisplayMode, 2);
        ASSERT_EQ(View().imageWidth, 256u);
        ASSERT_GE(View().source.w, 256);
    }
    RenderView& View() { return dlg.m_display.m_renderer.m_pViews[0]; }
    // The screen point of an image pixel of the display.
    CPoint Screen(int x, int y)
    {
        CPoint p(View().WindowX(x) + 1, View().WindowY(y) + 1);
        dlg.m_display.ClientToScreen(&p);
        return p;
    }
    void DrawRect(int x0, int y0, int x1, int y1)
    {
        Click(B::kToolRect);
        input::MouseMove(Screen(x0, y0));
        input::MouseButton(Screen(x0, y0), input::Button::Left, true);
        input::MouseMove(Screen(x1, y1));
        input::MouseButton(Screen(x1, y1), input::Button::Left, false);
        Pump();
    }
    void DrawPolygon(std::initializer_list<POINT> vertices)
    {
        Click(B::kToolPolygon);
        // A press while a shape is selected only gives the selection up.
        if (View().selectedRect || View().selectedPolygon) ClickAt(Screen(vertices.begin()->x, vertices.begin()->y));
        for (POINT p : vertices) ClickAt(Screen(p.x, p.y));
        ClickAt(Screen(vertices.begin()->x, vertices.begin()->y), input::Button::Right);
    }
    // A press on a rectangle selects it; a press on its delete box, beside its top right corner,
    // deletes it.
    void DeleteRect(int index)
    {
        const RectShape r = *View().rects[static_cast<std::size_t>(index)];
        ClickAt(Screen(r.x + r.w / 2, r.y + r.h / 2));
        // Past the corner's resize handle, which the box overlaps when zoomed.
        ClickAt(Screen(r.x + r.w + 3, r.y + 1));
    }
    // As the display worker posts it for a live frame.
    void FrameArrives(int times)
    {
        for (int i = 0; i < times; ++i) dlg.SendMessage(WM_WORKER_NOTIFY, NOTIFY_FRAME_ARRIVED, 0);
    }
    std::vector<std::string> Titles()
    {
        std::vector<std::string> titles;
        for (CDlgCurve* d : dlg.m_curveDlgs) titles.push_back(d->m_strCaption.GetString());
        return titles;
    }
    // The maximum of a rectangle of the live frame, in degrees, as the curve gets it.
    float RectMaximum(RectShape r)
    {
        CIRDataCapture& capture = theApp.m_capture;
        CAutoLock lock(&capture.m_lockRecords);
        const IrFrame& live = capture.m_frameLive;
        RoiStats s;
        CStaticDisplay::CalcRectStats(SampleBlock{live.temp_data, 256, 192}, &View(), &r, &s);
        return static_cast<float>(ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(s.max)));
    }
    static const RealtimeCurve::CurveData& Series(CDlgCurve* d, int series) { return *d->m_plot.m_curves[series]; }
};

TEST_F(CurveTest, EachRegionOpensItsWindowAndGetsItsMaximumAndItsTwinsForEachFrame)
{
    DrawRect(20, 30, 60, 70);
    DrawRect(10, 100, 40, 140);
    DrawPolygon({{70, 20}, {110, 20}, {90, 60}});
    ASSERT_EQ(View().rects.size(), 2u);
    ASSERT_EQ(View().polygons.size(), 1u);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"ROI #0", "ROI #1", "Polygon #0"}));
    for (CDlgCurve* d : dlg.m_curveDlgs) EXPECT_TRUE(d->IsWindowVisible());

    FrameArrives(1);
    for (int k = 0; k < 2; ++k) {
        const RectShape r = *View().rects[static_cast<std::size_t>(k)];
        const RectShape twin{r.x + 128, r.y, r.w, r.h};
        CDlgCurve* d = dlg.m_curveDlgs[static_cast<std::size_t>(k)];
        ASSERT_EQ(Series(d, 0).m_nCount, 1) << k;
        ASSERT_EQ(Series(d, 1).m_nCount, 1) << k;
        EXPECT_EQ(Series(d, 0).m_pPoints[0].x, 0.0f);
        EXPECT_EQ(Series(d, 1).m_pPoints[0].x, 0.0f);
        EXPECT_FLOAT_EQ(Series(d, 0).m_pPoints[0].y, RectMaximum(r)) << k;
        EXPECT_FLOAT_EQ(Series(d, 1).m_pPoints[0].y, RectMaximum(twin)) << k;
        EXPECT_EQ(d->m_nSamples, 1);
    }
    CDlgCurve* polygon = dlg.m_curveDlgs[2];
    EXPECT_EQ(Series(polygon, 0).m_nCount, 1);
    EXPECT_EQ(Series(polygon, 1).m_nCount, 1);
    // A temperature of the bench scene, in degrees.
    EXPECT_GT(Series(polygon, 0).m_pPoints[0].y, 20.0f);
    EXPECT_LT(Series(polygon, 0).m_pPoints[0].y, 90.0f);
}

TEST_F(CurveTest, TheXAxisShowsTheFirstTwoHundredSamplesThenSlides)
{
    DrawRect(20, 30, 60, 70);
    ASSERT_EQ(dlg.m_curveDlgs.size(), 1u);
    const RealtimeCurve::AxisData& x = dlg.m_curveDlgs[0]->m_plot.GetXAxis();
    const std::pair<int, std::pair<float, float>> steps[] = {{1, {0, 210}}, {199, {0, 210}}, {1, {1, 211}}, {9, {10, 220}}};
    for (const auto& [frames, range] : steps) {
        FrameArrives(frames);
        SCOPED_TRACE(dlg.m_curveDlgs[0]->m_nSamples);
        EXPECT_EQ(x.m_fMin, range.first);
        EXPECT_EQ(x.m_fDataMin, range.first);
        EXPECT_EQ(x.m_fMax, range.second);
        EXPECT_EQ(x.m_fDataMax, range.second);
    }
    const RealtimeCurve::CurveData& first = Series(dlg.m_curveDlgs[0], 0);
    EXPECT_EQ(first.m_nCount, 210);
    EXPECT_EQ(first.m_pPoints[static_cast<std::size_t>(first.m_nCount - 1)].x, 209.0f);
}

TEST_F(CurveTest, DeletingARegionClosesItsOwnWindowAndTheOthersStayOnTheirRegions)
{
    DrawRect(20, 30, 60, 70);
    DrawRect(10, 100, 40, 140);
    DrawRect(70, 20, 100, 60);
    ASSERT_EQ(Titles(), (std::vector<std::string>{"ROI #0", "ROI #1", "ROI #2"}));
    const RectShape second = *View().rects[1];
    const RectShape third = *View().rects[2];

    DeleteRect(0);
    ASSERT_EQ(View().rects.size(), 2u);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"ROI #1", "ROI #2"}));
    FrameArrives(1);
    EXPECT_FLOAT_EQ(Series(dlg.m_curveDlgs[0], 0).m_pPoints[0].y, RectMaximum(second));
    EXPECT_FLOAT_EQ(Series(dlg.m_curveDlgs[1], 0).m_pPoints[0].y, RectMaximum(third));

    // The last region deleted in turn: the window of the one before it stays and goes on.
    DeleteRect(1);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"ROI #1"}));
    FrameArrives(1);
    EXPECT_EQ(Series(dlg.m_curveDlgs[0], 0).m_nCount, 2);
}

TEST_F(CurveTest, AWindowWhoseRegionIsGoneIsSkipped)
{
    DrawRect(20, 30, 60, 70);
    ASSERT_EQ(dlg.m_curveDlgs.size(), 1u);
    dlg.m_curveDlgs[0]->m_nRectIndex = 5;
    auto* polygonPastTheEnd = new CDlgCurve(&dlg);
    polygonPastTheEnd->m_nPolygonIndex = 0;
    dlg.m_curveDlgs.push_back(polygonPastTheEnd);
    auto* following = new CDlgCurve(&dlg);
    dlg.m_curveDlgs.push_back(following);
    FrameArrives(3);
    for (CDlgCurve* d : dlg.m_curveDlgs) EXPECT_EQ(d->m_nSamples, 0);
}

TEST_F(CurveTest, OutsideCompareARegionOpensNoWindowAndADeletedPolygonClosesItsOwn)
{
    DrawPolygon({{70, 20}, {110, 20}, {90, 60}});
    ASSERT_EQ(Titles(), (std::vector<std::string>{"Polygon #0"}));
    // Selected by a press inside; its delete box is beside its first vertex.
    ClickAt(Screen(90, 30));
    ClickAt(Screen(73, 17));
    EXPECT_TRUE(View().polygons.empty());
    EXPECT_TRUE(dlg.m_curveDlgs.empty());

    Click(B::kModePcba);
    DrawRect(20, 30, 60, 70);
    DrawPolygon({{70, 20}, {110, 20}, {90, 60}});
    EXPECT_EQ(View().rects.size(), 1u);
    EXPECT_EQ(View().polygons.size(), 1u);
    EXPECT_TRUE(dlg.m_curveDlgs.empty());
}

}  // namespace
