// The curve windows of Compare mode through the real main window: regions drawn with the mouse on
// the thermal display open their windows, each live frame adds the maxima of the region and of its
// twin on the other board (whatever flip and mirror show), the x axis slides after 200 frames, and
// deleting a region closes its own window only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// Pixels of the frame as it is stored, columns [x0, x1) and rows [y0, y1).
struct FrameArea {
    int x0, y0, x1, y1;
};

// The bench scene's boards differ where the right board's component runs too hot: its cool
// counterpart on the left board lies inside kCoolPart, the hot one inside kHotPart, half the frame
// further right. Either area holds its component and nothing warmer, and so does each area grown
// by two pixels, the polygons' outline.
constexpr FrameArea kCoolPart{66, 78, 112, 112};
constexpr FrameArea kHotPart{kCoolPart.x0 + 128, kCoolPart.y0, kCoolPart.x1 + 128, kCoolPart.y1};

struct TwinCase {
    const char* name;
    bool flip;
    bool mirror;
    bool drawnFlipped;  // the regions drawn after Flip and Mirror, else before
};

class TwinCurves : public CurveTest, public ::testing::WithParamInterface<TwinCase> {
protected:
    // Right of the display, so that they take none of the clicks meant for it.
    void MoveCurvesAside()
    {
        CRect display;
        dlg.m_display.GetWindowRect(&display);
        for (CDlgCurve* d : dlg.m_curveDlgs) d->SetWindowPos(nullptr, display.right, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Pump();
    }
    void FlipAndMirror(const TwinCase& c)
    {
        if (c.flip) Click(B::kFlip);
        if (c.mirror) Click(B::kMirror);
    }
    // Where an area of the frame shows: a mirror turns columns c into 255 - c, a flip rows r into
    // 191 - r.
    static FrameArea Shown(FrameArea a, bool flip, bool mirror)
    {
        if (mirror) a = FrameArea{256 - a.x1, a.y0, 256 - a.x0, a.y1};
        if (flip) a = FrameArea{a.x0, 192 - a.y1, a.x1, 192 - a.y0};
        return a;
    }
    // The highest sample of an area of the live frame, in degrees.
    static float Maximum(FrameArea a)
    {
        CIRDataCapture& capture = theApp.m_capture;
        CAutoLock lock(&capture.m_lockRecords);
        const std::uint16_t* raw = capture.m_frameLive.temp_data;
        std::uint16_t max = 0;
        for (int y = a.y0; y < a.y1; ++y)
            for (int x = a.x0; x < a.x1; ++x) max = std::max(max, raw[y * 256 + x]);
        return static_cast<float>(ZelColorMap::RawToCelsius(max));
    }
};

TEST_P(TwinCurves, EachRegionsCurvesPlotItsOwnBoardAndTheOther)
{
    const TwinCase& c = GetParam();
    // A region is drawn on the left half of the display, which shows the right board once mirrored.
    const bool onHotBoard = c.drawnFlipped && c.mirror;
    const FrameArea own = onHotBoard ? kHotPart : kCoolPart;
    const FrameArea other = onHotBoard ? kCoolPart : kHotPart;
    if (c.drawnFlipped) FlipAndMirror(c);
    const bool flip = c.drawnFlipped && c.flip;
    const bool mirror = c.drawnFlipped && c.mirror;
    const FrameArea r = Shown(own, flip, mirror);
    const FrameArea p = Shown(FrameArea{own.x0 - 2, own.y0 - 2, own.x1 + 2, own.y1 + 2}, flip, mirror);
    DrawRect(r.x0, r.y0, r.x1, r.y1);
    MoveCurvesAside();
    // The vertices are pixels at the area's corners, the last row and column included.
    DrawPolygon({{p.x0, p.y0}, {p.x1 - 1, p.y0}, {p.x1 - 1, p.y1 - 1}, {p.x0, p.y1 - 1}});
    ASSERT_EQ(View().rects.size(), 1u);
    ASSERT_EQ(View().polygons.size(), 1u);
    const RectShape drawn = *View().rects[0];
    ASSERT_EQ(drawn.x, r.x0);
    ASSERT_EQ(drawn.y, r.y0);
    ASSERT_EQ(drawn.w, r.x1 - r.x0);
    ASSERT_EQ(drawn.h, r.y1 - r.y0);
    ASSERT_EQ(View().polygons[0]->m_points.size(), 4u);
    ASSERT_EQ(dlg.m_curveDlgs.size(), 2u);
    if (!c.drawnFlipped) FlipAndMirror(c);
    ASSERT_EQ(View().flip, (c.flip ? 2 : 0) + (c.mirror ? 1 : 0));

    FrameArrives(1);
    const float ownMaximum = Maximum(own);
    const float otherMaximum = Maximum(other);
    ASSERT_GT(std::fabs(ownMaximum - otherMaximum), 30.0f) << "the boards differ";
    for (CDlgCurve* d : dlg.m_curveDlgs) {
        SCOPED_TRACE(d->m_strCaption.GetString());
        ASSERT_EQ(Series(d, 0).m_nCount, 1);
        ASSERT_EQ(Series(d, 1).m_nCount, 1);
        EXPECT_FLOAT_EQ(Series(d, 0).m_pPoints[0].y, ownMaximum);
        EXPECT_FLOAT_EQ(Series(d, 1).m_pPoints[0].y, otherMaximum);
    }
}

const TwinCase kTwinCases[] = {
    {"MirroredAfterDrawing", false, true, false},
    {"FlippedAfterDrawing", true, false, false},
    {"FlippedAndMirroredAfterDrawing", true, true, false},
    {"DrawnMirrored", false, true, true},
    {"DrawnFlipped", true, false, true},
    {"DrawnFlippedAndMirrored", true, true, true},
};

INSTANTIATE_TEST_SUITE_P(Compare, TwinCurves, ::testing::ValuesIn(kTwinCases),
                         [](const ::testing::TestParamInfo<TwinCase>& i) { return std::string(i.param.name); });

TEST_F(CurveTest, ARegionWithNoPixelInTheFrameAddsNoPoint)
{
    // Drawn, then dragged by its bottom right handle past its top left corner: negative extents
    // hold no pixel, nor do its twin's.
    DrawRect(20, 30, 60, 70);
    DrawRect(58, 68, 10, 20);
    ASSERT_EQ(View().rects.size(), 1u);
    ASSERT_LT(View().rects[0]->w, 0);
    ASSERT_LT(View().rects[0]->h, 0);
    FrameArrives(2);
    CDlgCurve* d = dlg.m_curveDlgs[0];
    EXPECT_EQ(Series(d, 0).m_nCount, 0);
    EXPECT_EQ(Series(d, 1).m_nCount, 0);
    EXPECT_EQ(d->m_nSamples, 2);
}

}  // namespace
