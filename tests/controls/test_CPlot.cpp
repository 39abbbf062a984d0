// The real-time plot: its curve buffers, extents, layout, picture, clipping, zoom and full range,
// on the pixels of a real window.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "controls/CPlot.h"
#include "tests/controls/ControlsTestSupport.h"

using RealtimeCurve::CPlot;
using RealtimeCurve::CurveData;
using namespace controls_test;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kGrid = RGB(200, 200, 200);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A 400 x 300 plot at the host's top-left corner: plot area (60, 20, 380, 280), x shown 0 to 10,
// y shown 0 to 100, extents the same.
class PlotTest : public ControlTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.CreateTop(100, 100, 500, 400));
        ASSERT_TRUE(plot.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, 400, 300), &host, 1016));
        SetRanges(0, 10, 0, 100);
    }
    void TearDown() override
    {
        plot.DestroyWindow();
        host.DestroyWindow();
        ControlTest::TearDown();
    }
    void SetRanges(float x0, float x1, float y0, float y1)
    {
        plot.GetXAxis().m_fMin = plot.GetXAxis().m_fDataMin = x0;
        plot.GetXAxis().m_fMax = plot.GetXAxis().m_fDataMax = x1;
        plot.GetYAxis().m_fMin = plot.GetYAxis().m_fDataMin = y0;
        plot.GetYAxis().m_fMax = plot.GetYAxis().m_fDataMax = y1;
    }
    // The pixel of a data point, as the plot maps it.
    static int PixelX(double x) { return static_cast<int>(std::trunc(x * 319.0 / 10.0 + 60)); }
    static int PixelY(double y) { return static_cast<int>(std::trunc(279 - y * 259.0 / 100.0)); }

    platform::user::Picture Show()
    {
        plot.Invalidate(TRUE);
        return Shot(host);
    }
    // What a box of the plot shows when DrawText puts `text` there in this font and colour, with
    // these flags, over the plot's black ground.
    platform::user::Picture Lettering(const CString& text, int points, COLORREF colour, CRect box, UINT format)
    {
        CClientDC screen(&host);
        CDC dc;
        dc.CreateCompatibleDC(&screen);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&screen, 400, 300);
        CBitmap* oldBitmap = dc.SelectObject(&bitmap);
        dc.FillSolidRect(CRect(0, 0, 400, 300), kBlack);
        dc.SetBkMode(TRANSPARENT);
        CFont font;
        font.CreatePointFont(points * 10, "Courier New");
        CFont* oldFont = dc.SelectObject(&font);
        dc.SetTextColor(colour);
        dc.DrawText(text, &box, format);
        dc.SelectObject(oldFont);
        dc.SelectObject(oldBitmap);
        platform::user::Picture p{400, 300, std::vector<std::uint32_t>(400 * 300)};
        bitmap.GetBitmapBits(static_cast<DWORD>(p.pixels.size() * 4), p.pixels.data());
        return p;
    }

    Host host;
    CPlot plot;
};

}  // namespace

TEST(CurveDataTest, AFullBufferDropsItsOldestPointAndKeepsTheExtent)
{
    CurveData curve("Max1", 0, kRed, 2, 4096);
    for (int i = 0; i <= 4096; ++i)
        curve.AddPoint(static_cast<float>(i), static_cast<float>(100 - i));
    EXPECT_EQ(curve.m_nCount, 4096);
    EXPECT_EQ(curve.m_pPoints.front().x, 1.0f);
    EXPECT_EQ(curve.m_pPoints.back().x, 4096.0f);
    EXPECT_EQ(curve.m_pPoints.back().y, 100.0f - 4096.0f);
    // The lost first point still bounds the extent.
    EXPECT_EQ(curve.m_fMinX, 0.0f);
    EXPECT_EQ(curve.m_fMaxY, 100.0f);
    EXPECT_EQ(curve.m_fMaxX, 4096.0f);
    EXPECT_EQ(curve.m_fMinY, 100.0f - 4096.0f);
}

TEST(CurveDataTest, HoldsTheNewestPointsOldestFirst)
{
    struct Case {
        int capacity;
        int added;
        std::vector<float> held;
    };
    const Case cases[] = {
        {1, 1, {0}}, {1, 3, {2}}, {3, 2, {0, 1}}, {3, 3, {0, 1, 2}}, {3, 5, {2, 3, 4}},
    };
    for (const Case& c : cases) {
        CurveData curve("c", 0, kRed, 1, c.capacity);
        for (int i = 0; i < c.added; ++i)
            curve.AddPoint(static_cast<float>(i), 0.0f);
        ASSERT_EQ(curve.m_nCount, static_cast<int>(c.held.size())) << "capacity " << c.capacity << ", added " << c.added;
        for (std::size_t k = 0; k < c.held.size(); ++k)
            EXPECT_EQ(curve.m_pPoints[k].x, c.held[k]) << "capacity " << c.capacity << ", added " << c.added;
    }
}

TEST(CurveDataTest, TheFirstPointSetsTheExtentAndLaterOnesOnlyWidenIt)
{
    CurveData curve("c", 0, kRed, 1, 8);
    curve.AddPoint(5.0f, 30.0f);
    EXPECT_EQ(curve.m_fMinX, 5.0f);
    EXPECT_EQ(curve.m_fMaxX, 5.0f);
    EXPECT_EQ(curve.m_fMinY, 30.0f);
    EXPECT_EQ(curve.m_fMaxY, 30.0f);
    curve.AddPoint(6.0f, 25.0f);
    curve.AddPoint(5.5f, 27.0f);
    EXPECT_EQ(curve.m_fMinX, 5.0f);
    EXPECT_EQ(curve.m_fMaxX, 6.0f);
    EXPECT_EQ(curve.m_fMinY, 25.0f);
    EXPECT_EQ(curve.m_fMaxY, 30.0f);
}

TEST(CPlotCurvesTest, AnEleventhCurveAndPointsForMissingCurvesAreRefused)
{
    CPlot plot;
    EXPECT_EQ(plot.AddCurve("empty", 0, kRed, 1, 0), -1);
    for (int i = 0; i < CPlot::kMaxCurves; ++i)
        EXPECT_EQ(plot.AddCurve("c", 0, kRed, 1, 4), i);
    EXPECT_EQ(plot.AddCurve("eleventh", 0, kRed, 1, 4), -1);
    EXPECT_EQ(plot.m_nCurves, CPlot::kMaxCurves);

    plot.GetXAxis().m_fDataMax = 1.0f;
    for (int index : {-1, CPlot::kMaxCurves, 99})
        plot.AddPoint(50.0f, 50.0f, index);
    for (int i = 0; i < CPlot::kMaxCurves; ++i)
        EXPECT_EQ(plot.m_curves[i]->m_nCount, 0);
    EXPECT_EQ(plot.GetXAxis().m_fDataMax, 1.0f);
}

TEST(CPlotCurvesTest, AnIndexPastTheAddedCurvesIsRefused)
{
    CPlot plot;
    plot.AddCurve("Max1", 0, kRed, 2, 16);
    plot.AddPoint(1.0f, 1.0f, 1);
    plot.AddPoint(1.0f, 1.0f, 0);
    EXPECT_EQ(plot.m_curves[0]->m_nCount, 1);
    EXPECT_EQ(plot.m_curves[1], nullptr);
}

TEST_F(PlotTest, PointsWidenTheDataExtentsWhileAutoRanging)
{
    plot.AddCurve("Max1", 0, kRed, 2, 16);
    plot.AddPoint(12.0f, -5.0f, 0);
    plot.AddPoint(4.0f, 50.0f, 0);
    EXPECT_EQ(plot.GetXAxis().m_fDataMin, 0.0f);
    EXPECT_EQ(plot.GetXAxis().m_fDataMax, 12.0f);
    EXPECT_EQ(plot.GetYAxis().m_fDataMin, -5.0f);
    EXPECT_EQ(plot.GetYAxis().m_fDataMax, 100.0f);
    // The shown ranges change only by the owner, a zoom or a double-click.
    EXPECT_EQ(plot.GetXAxis().m_fMax, 10.0f);
    EXPECT_EQ(plot.GetYAxis().m_fMin, 0.0f);

    plot.m_bAutoRange = 0;
    plot.AddPoint(20.0f, 200.0f, 0);
    EXPECT_EQ(plot.GetXAxis().m_fDataMax, 12.0f);
    EXPECT_EQ(plot.GetYAxis().m_fDataMax, 100.0f);
    EXPECT_EQ(plot.m_curves[0]->m_fMaxX, 20.0f);
}

TEST_F(PlotTest, TheLayoutFollowsTheMarginsAndTheLegendTakesTheTopRightCorner)
{
    plot.AddCurve("Max1", 0, kRed, 2, 16);
    plot.AddCurve("Max2", 0, kGreen, 2, 16);
    Show();
    EXPECT_EQ(plot.m_rcClient, CRect(0, 0, 400, 300));
    EXPECT_EQ(plot.m_rcPlot, CRect(60, 20, 380, 280));
    EXPECT_EQ(plot.m_rcTitle, CRect(60, 1, 380, 19));
    EXPECT_EQ(plot.m_rcLegend, CRect(380 - 2 * 65, 1, 380, 19));

    plot.MoveWindow(0, 0, 300, 200);
    Pump();
    EXPECT_EQ(plot.m_rcPlot, CRect(60, 20, 280, 180));
}

TEST_F(PlotTest, PaintsTheGroundGridAxesAndLegend)
{
    plot.AddCurve("Max1", 0, kRed, 2, 16);
    plot.AddCurve("Max2", 0, kGreen, 2, 16);
    auto p = Show();
    ASSERT_EQ(p.width, 500);

    EXPECT_EQ(p.at(30, 150), Opaque(kBlack));
    EXPECT_EQ(p.at(200, 150), Opaque(kBlack));
    // Dashed grid lines 30 pixels apart, inside the frame only.
    for (int x : {90, 120, 360}) {
        int grey = CountPixels(p, CRect(x, 21, x + 1, 280), kGrid);
        EXPECT_GT(grey, 100) << "column " << x;
        EXPECT_LT(grey, 259) << "column " << x;
    }
    EXPECT_GT(CountPixels(p, CRect(61, 250, 380, 251), kGrid), 100);
    EXPECT_EQ(CountPixels(p, CRect(0, 0, 60, 300), kGrid), 0);
    EXPECT_EQ(CountPixels(p, CRect(381, 0, 400, 300), kGrid), 0);
    // The frame: bottom and top edges, left edge and the right edge one pixel in.
    EXPECT_EQ(p.at(200, 280), Opaque(kGreen));
    EXPECT_EQ(p.at(200, 20), Opaque(kGreen));
    EXPECT_EQ(p.at(60, 150), Opaque(kGreen));
    EXPECT_EQ(p.at(379, 150), Opaque(kGreen));
    // The legend: a stroke of each curve's pen, then its name in its colour.
    EXPECT_EQ(p.at(255, 10), Opaque(kRed));
    EXPECT_EQ(p.at(320, 10), Opaque(kGreen));
    EXPECT_GT(CountTinted(p, CRect(275, 1, 305, 19), kRed), 10);
    EXPECT_GT(CountTinted(p, CRect(340, 1, 370, 19), kGreen), 10);
}

TEST_F(PlotTest, TheYRangeAndTheTitleAreLetteredInTheirFontsColoursAndPlaces)
{
    plot.GetYAxis().m_fMin = -3.5f;
    plot.GetYAxis().m_fMax = 41.25f;
    // The labels take the x axis's colour, whatever the y axis's.
    plot.GetXAxis().m_crColor = RGB(255, 255, 0);
    plot.GetYAxis().m_crColor = RGB(0, 255, 255);
    plot.m_strTitle = "Max over time";
    plot.m_crTitle = RGB(255, 128, 0);
    const platform::user::Picture shown = Show();
    struct Case {
        const char* what;
        const char* text;
        int points;
        COLORREF colour;
        CRect box;
        UINT format;
    };
    const Case cases[] = {
        {"the range's minimum", "-3.50", 6, RGB(255, 255, 0), CRect(5, 260, 60, 280), DT_CENTER | DT_BOTTOM},
        {"the range's maximum", "41.25", 6, RGB(255, 255, 0), CRect(5, 20, 60, 40), DT_CENTER | DT_BOTTOM},
        {"the title", "Max over time", 9, RGB(255, 128, 0), CRect(60, 1, 380, 19), DT_CENTER},
    };
    for (const Case& c : cases) {
        const platform::user::Picture wanted = Lettering(c.text, c.points, c.colour, c.box, c.format);
        ASSERT_GT(CountTinted(wanted, c.box, c.colour), 5) << c.what << ": no text to compare with";
        for (int y = c.box.top; y < c.box.bottom; ++y)
            for (int x = c.box.left; x < c.box.right; ++x)
                ASSERT_EQ(skin_test::Rgb(shown, x, y), skin_test::Rgb(wanted, x, y)) << c.what << " at " << x << "," << y;
    }
}

TEST_F(PlotTest, CurveSegmentsAreClippedToThePlotArea)
{
    struct Case {
        const char* what;
        std::vector<std::pair<float, float>> points;
        CRect drawn;  // where the curve must show; empty: nowhere
    };
    const int y50 = PixelY(50);
    const Case cases[] = {
        {"inside to inside", {{1, 50}, {9, 50}}, CRect(PixelX(1), y50 - 1, PixelX(9), y50 + 1)},
        {"inside to beyond the right edge", {{5, 50}, {15, 50}}, CRect(PixelX(5), y50 - 1, 380, y50 + 1)},
        {"from below the area up into it", {{5, -40}, {5, 50}}, CRect(PixelX(5) - 1, y50 + 1, PixelX(5) + 1, 281)},
        {"across the whole area, both ends outside", {{-5, 50}, {15, 50}}, CRect()},
        {"both ends above the area", {{2, 150}, {8, 180}}, CRect()},
        {"through a corner, both ends outside", {{-1, 90}, {1, 110}}, CRect()},
    };
    plot.ShowWindow(SW_HIDE);
    for (const Case& c : cases) {
        CPlot fresh;
        ASSERT_TRUE(fresh.Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &host, 1017));
        fresh.GetXAxis().m_fMax = 10.0f;
        fresh.GetYAxis().m_fMax = 100.0f;
        fresh.m_bGrid = 0;
        fresh.AddCurve("c", 0, kRed, 1, 16);
        fresh.m_curves[0]->m_strName = "";
        for (auto [x, y] : c.points)
            fresh.AddPoint(x, y, 0);
        auto p = Shot(host);
        const int red = CountPixels(p, CRect(0, 20, 400, 300), kRed);
        if (c.drawn.IsRectEmpty()) {
            EXPECT_EQ(red, 0) << c.what;
        } else {
            EXPECT_EQ(red, CountPixels(p, c.drawn, kRed)) << c.what << ": drawn outside its place";
            EXPECT_GE(red, std::max(c.drawn.Width(), c.drawn.Height()) - 2) << c.what;
        }
        // Nothing of a curve ever reaches the margins.
        EXPECT_EQ(CountPixels(p, CRect(0, 281, 400, 300), kRed), 0) << c.what;
        EXPECT_EQ(CountPixels(p, CRect(381, 20, 400, 300), kRed), 0) << c.what;
        EXPECT_EQ(CountPixels(p, CRect(0, 20, 60, 300), kRed), 0) << c.what;
        fresh.DestroyWindow();
    }
}

TEST_F(PlotTest, ACurveLeavingThroughACornerStopsAtTheFrame)
{
    plot.m_bGrid = 0;
    plot.AddCurve("c", 0, kRed, 1, 16);
    plot.m_curves[0]->m_strName = "";
    // From inside to a point beyond both the left and the top edge.
    plot.AddPoint(1.0f, 95.0f, 0);
    plot.AddPoint(-4.0f, 130.0f, 0);
    auto p = Show();
    EXPECT_GT(CountPixels(p, CRect(60, 20, 380, 281), kRed), 3);
    EXPECT_EQ(CountPixels(p, CRect(0, 0, 60, 300), kRed), 0);
    // (The legend's stroke stands at the right of the top margin.)
    EXPECT_EQ(CountPixels(p, CRect(0, 0, 300, 20), kRed), 0);
}

TEST_F(PlotTest, PointMarkersBoxEachPointInsideTheArea)
{
    plot.m_bGrid = 0;
    plot.AddCurve("c", 0x300, kRed, 1, 16);
    plot.m_curves[0]->m_strName = "";
    plot.AddPoint(5.0f, 50.0f, 0);
    plot.AddPoint(20.0f, 50.0f, 0);
    auto p = Show();
    const int x = PixelX(5), y = PixelY(50);
    EXPECT_EQ(CountPixels(p, CRect(x - 2, y - 2, x + 3, y + 3), kRed), 25);
    EXPECT_EQ(CountPixels(p, CRect(381, 0, 400, 300), kRed), 0);
}

TEST_F(PlotTest, IntegerStepsLabelEachUnitOfTheShownRange)
{
    plot.m_dTickStepX = 1.0;
    SetRanges(0, 4, 0, 100);
    plot.m_bGrid = 0;
    auto p = Show();
    std::vector<int> centres;
    for (int v = 0; v <= 4; ++v)
        centres.push_back(static_cast<int>(std::trunc(319.0 * v / 4.0 + 60)));
    const CRect row(0, 281, 400, 302);
    for (int c : centres)
        EXPECT_GT(CountTinted(p, CRect(c - 6, row.top, c + 7, row.bottom), kGreen), 3) << "label at " << c;
    for (int x = 0; x < 400; ++x) {
        bool nearLabel = false;
        for (int c : centres)
            nearLabel = nearLabel || std::abs(x - c) <= 8;
        if (!nearLabel) {
            EXPECT_EQ(CountTinted(p, CRect(x, row.top, x + 1, row.bottom), kGreen), 0) << "column " << x;
        }
    }
}

TEST_F(PlotTest, FractionalStepsLabelEveryStep)
{
    plot.m_dTickStepX = 0.5;
    SetRanges(0, 4, 0, 100);
    auto p = Show();
    for (double v = 0.0; v <= 4.0; v += 0.5) {
        const int c = static_cast<int>(std::trunc(319.0 * v / 4.0 + 60));
        EXPECT_GT(CountTinted(p, CRect(c - 10, 281, c + 11, 302), kGreen), 3) << "label of " << v;
    }
}

TEST_F(PlotTest, ANonPositiveTickStepDrawsNoXLabels)
{
    for (double step : {0.0, -1.0}) {
        plot.m_dTickStepX = step;
        auto p = Show();
        EXPECT_EQ(CountTinted(p, CRect(0, 282, 400, 300), kGreen), 0) << "step " << step;
    }
}

TEST_F(PlotTest, ADragOfAtLeastTenPixelsZoomsIntoIt)
{
    struct Case {
        const char* what;
        POINT from, to;
        bool zooms;
        CRect area;  // the dragged rectangle within the plot area
    };
    const Case cases[] = {
        {"10 x 10", {100, 100}, {110, 110}, true, CRect(100, 100, 110, 110)},
        {"dragged up and left", {200, 180}, {150, 120}, true, CRect(150, 120, 200, 180)},
        {"9 wide", {100, 100}, {109, 160}, false, CRect()},
        {"9 high", {130, 120}, {190, 129}, false, CRect()},
        {"from the margin, 5 wide inside", {40, 100}, {65, 150}, false, CRect()},
        {"from the margin, 20 wide inside", {45, 110}, {80, 150}, true, CRect(60, 110, 80, 150)},
    };
    // No two presses in a row fall on one spot, which would make a double-click.
    for (const Case& c : cases) {
        SetRanges(0, 10, 0, 100);
        plot.m_bAutoRange = 1;
        Drag(plot, c.from, c.to);
        EXPECT_EQ(plot.m_ptDown, CPoint(c.from)) << c.what;
        EXPECT_EQ(plot.m_ptUp, CPoint(c.to)) << c.what;
        if (!c.zooms) {
            EXPECT_EQ(plot.GetXAxis().m_fMin, 0.0f) << c.what;
            EXPECT_EQ(plot.GetXAxis().m_fMax, 10.0f) << c.what;
            EXPECT_EQ(plot.GetYAxis().m_fMin, 0.0f) << c.what;
            EXPECT_EQ(plot.GetYAxis().m_fMax, 100.0f) << c.what;
            EXPECT_EQ(plot.m_bAutoRange, 1) << c.what;
            continue;
        }
        EXPECT_FLOAT_EQ(plot.GetXAxis().m_fMin, (c.area.left - 60) * 10.0f / 320.0f) << c.what;
        EXPECT_FLOAT_EQ(plot.GetXAxis().m_fMax, (c.area.right - 60) * 10.0f / 320.0f) << c.what;
        EXPECT_FLOAT_EQ(plot.GetYAxis().m_fMin, (280 - c.area.bottom) * 100.0f / 260.0f) << c.what;
        EXPECT_FLOAT_EQ(plot.GetYAxis().m_fMax, (280 - c.area.top) * 100.0f / 260.0f) << c.what;
        EXPECT_EQ(plot.m_bAutoRange, 0) << c.what;
        // The extents stay as they were.
        EXPECT_EQ(plot.GetXAxis().m_fDataMax, 10.0f) << c.what;
    }
}

TEST_F(PlotTest, ATooSmallDragStillRepaintsAtTheRelease)
{
    using platform::user::input::Button;
    Show();
    platform::user::input::MouseButton(OnScreen(plot, 100, 100), Button::Left, true);
    platform::user::input::MouseMove(OnScreen(plot, 105, 105));
    Pump();
    // Changed without an invalidation: only a repaint at the release shows it.
    plot.m_crBack = RGB(0, 0, 255);
    platform::user::input::MouseButton(OnScreen(plot, 105, 105), Button::Left, false);
    Pump();
    platform::user::Picture p;
    ASSERT_TRUE(RenderWindow(host, &p));
    EXPECT_EQ(p.at(200, 150), Opaque(RGB(0, 0, 255)));
    EXPECT_EQ(plot.GetXAxis().m_fMax, 10.0f);
}

TEST_F(PlotTest, ADoubleClickShowsTheFullDataRangeAgain)
{
    plot.AddCurve("Max1", 0, kRed, 2, 16);
    plot.AddPoint(-2.0f, 120.0f, 0);
    Drag(plot, CPoint(100, 100), CPoint(200, 200));
    ASSERT_EQ(plot.m_bAutoRange, 0);
    plot.AddPoint(30.0f, 130.0f, 0);  // not taken into the frozen extents

    skin_test::DoubleClick(plot, 150, 150);
    EXPECT_EQ(plot.m_bAutoRange, 1);
    EXPECT_EQ(plot.GetXAxis().m_fMin, -2.0f);
    EXPECT_EQ(plot.GetXAxis().m_fMax, 10.0f);
    EXPECT_EQ(plot.GetYAxis().m_fMin, 0.0f);
    EXPECT_EQ(plot.GetYAxis().m_fMax, 120.0f);
}

TEST_F(PlotTest, AFullRangeWithAnEmptyExtentKeepsThatAxisShown)
{
    plot.GetYAxis().m_fDataMin = plot.GetYAxis().m_fDataMax = 35.0f;
    plot.GetXAxis().m_fDataMax = 20.0f;
    skin_test::DoubleClick(plot, 150, 150);
    EXPECT_EQ(plot.GetXAxis().m_fMax, 20.0f);
    EXPECT_EQ(plot.GetYAxis().m_fMin, 0.0f);
    EXPECT_EQ(plot.GetYAxis().m_fMax, 100.0f);
}

TEST_F(PlotTest, AnEmptyShownRangeDrawsNoCurve)
{
    plot.AddCurve("c", 0, kRed, 1, 16);
    plot.m_curves[0]->m_strName = "";
    plot.AddPoint(5.0f, 50.0f, 0);
    plot.AddPoint(6.0f, 60.0f, 0);
    plot.GetXAxis().m_fMax = plot.GetXAxis().m_fMin;
    auto p = Show();
    EXPECT_EQ(CountPixels(p, CRect(0, 20, 400, 300), kRed), 0);
}
