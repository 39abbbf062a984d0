// The rounded dialog and the curve window: template 123 and what the dialog makes of it, the
// picture, the drag by the body, the close light and Escape, on a real window.
#include <gtest/gtest.h>

#include <memory>

#include "controls/CDlgCurve.h"
#include "tests/controls/ControlsTestSupport.h"

using namespace controls_test;

namespace {

constexpr std::uint32_t kTitleGround = 0x606060;
constexpr std::uint32_t kBodyGround = 0x011732;

// A curve window titled "ROI #0" over a main window, shown as the display shows it.
class CurveDialogTest : public ControlTest {
protected:
    void SetUp() override
    {
        skin_test::StartGdiplus();
        ASSERT_TRUE(owner.CreateTop(0, 0, 800, 600));
        dialog = std::make_unique<CDlgCurve>(&owner);
        dialog->SetCaption("ROI #0");
        dialog->m_nRectIndex = 0;
        ASSERT_TRUE(dialog->Create(CDlgCurve::kTemplateId, &owner));
        dialog->ShowWindow(SW_SHOW);
        Pump();
    }
    void TearDown() override
    {
        dialog.reset();
        owner.DestroyWindow();
        ControlTest::TearDown();
    }
    CRect WindowRect() const
    {
        CRect r;
        dialog->GetWindowRect(&r);
        return r;
    }
    // Presses at a client point, moves the mouse by (dx, dy) and lets go.
    void DragBy(POINT at, int dx, int dy) { Drag(*dialog, at, POINT{at.x + dx, at.y + dy}); }

    Host owner;
    std::unique_ptr<CDlgCurve> dialog;
};

}  // namespace

TEST_F(CurveDialogTest, TheTemplateMakesABorderedPopupWithThePlotBelowTheTitleStrip)
{
    EXPECT_TRUE(dialog->GetStyle() & WS_POPUP);
    EXPECT_TRUE(dialog->GetStyle() & WS_BORDER);
    EXPECT_FALSE(dialog->GetStyle() & WS_CAPTION & ~WS_BORDER);
    CRect client;
    dialog->GetClientRect(&client);
    EXPECT_EQ(client, CRect(0, 0, 519, 279));

    auto childRect = [&](CWnd& child) {
        CRect r;
        child.GetWindowRect(&r);
        dialog->ScreenToClient(&r);
        return r;
    };
    EXPECT_EQ(childRect(dialog->m_lightTitle), CRect(0, 0, 519, 30));
    EXPECT_EQ(dialog->m_lightTitle.GetDlgCtrlID(), static_cast<int>(CDlgRoundRect::kTitleId));
    CString title;
    dialog->m_lightTitle.GetWindowText(title);
    EXPECT_EQ(title, "ROI #0");
    EXPECT_EQ(childRect(dialog->m_lightClose), CRect(519 - 35, 0, 519 - 7, 28));
    EXPECT_EQ(dialog->m_lightClose.GetDlgCtrlID(), 1000);
    EXPECT_TRUE(dialog->m_lightClose.GetStyle() & SS_NOTIFY);
    EXPECT_FALSE(dialog->m_lightTitle.GetStyle() & SS_NOTIFY);
    EXPECT_EQ(childRect(dialog->m_plot), CRect(0, 40, 519, 279));
    EXPECT_EQ(dialog->GetDlgItem(1016), &dialog->m_plot);
}

TEST_F(CurveDialogTest, ThePlotHoldsMax1AndMax2OverTwoHundredSamplesAndTwentyToFiftyDegrees)
{
    RealtimeCurve::CPlot& plot = dialog->m_plot;
    ASSERT_EQ(plot.m_nCurves, 2);
    const struct {
        const char* name;
        COLORREF colour;
    } curves[] = {{"Max1", RGB(255, 0, 0)}, {"Max2", RGB(0, 255, 0)}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(plot.m_curves[i]->m_strName, curves[i].name);
        EXPECT_EQ(plot.m_curves[i]->m_crColor, curves[i].colour);
        EXPECT_EQ(plot.m_curves[i]->m_nPenStyle, 0);
        EXPECT_EQ(plot.m_curves[i]->m_nPenWidth, 2);
        EXPECT_EQ(plot.m_curves[i]->m_nCapacity, 4096);
    }
    EXPECT_EQ(plot.m_dTickStepX, 1.0);
    EXPECT_EQ(plot.GetXAxis().m_fMin, 0.0f);
    EXPECT_EQ(plot.GetXAxis().m_fDataMin, 0.0f);
    EXPECT_EQ(plot.GetXAxis().m_fMax, 200.0f);
    EXPECT_EQ(plot.GetXAxis().m_fDataMax, 200.0f);
    EXPECT_EQ(plot.GetYAxis().m_fMin, 20.0f);
    EXPECT_EQ(plot.GetYAxis().m_fDataMin, 20.0f);
    EXPECT_EQ(plot.GetYAxis().m_fMax, 50.0f);
    EXPECT_EQ(plot.GetYAxis().m_fDataMax, 50.0f);
    EXPECT_EQ(dialog->m_nSamples, 0);
    EXPECT_EQ(dialog->m_nRectIndex, 0);
    EXPECT_EQ(dialog->m_nPolygonIndex, -1);
}

TEST_F(CurveDialogTest, ShowsAGreyTitleStripACloseImageAndADarkBody)
{
    dialog->m_plot.AddPoint(0.0f, 30.0f, 0);
    dialog->m_plot.AddPoint(100.0f, 40.0f, 0);
    dialog->m_plot.Invalidate(FALSE);  // as the display does after feeding the curves
    auto p = skin_test::Shot(*dialog, "curve_dialog");
    EXPECT_EQ(skin_test::Rgb(p, 300, 15), kTitleGround);
    EXPECT_EQ(skin_test::Rgb(p, 200, 35), kBodyGround);
    EXPECT_EQ(skin_test::Rgb(p, 30, 150), 0u);  // the plot's black ground
    // The caption in white at the strip's left, vertically centred; the strip's own grey is no
    // part of it.
    EXPECT_GT(CountNear(p, CRect(0, 0, 120, 30), RGB(255, 255, 255), 0x20), 10);
    const RECT caption = skin_test::InkBounds(p, CRect(0, 0, 519 - 35, 30), kTitleGround);
    EXPECT_LE(caption.left, 4);
    EXPECT_NEAR((caption.top + caption.bottom) / 2.0, 15.0, 3.0);
    // The close image in its light.
    const RECT ink = skin_test::InkBounds(p, CRect(519 - 35, 0, 519 - 7, 28), kTitleGround);
    EXPECT_EQ(ink.left, 519 - 35 + 3);
    EXPECT_EQ(ink.top, 3);
    // Max1 from (0, 30) to (100, 40) in red.
    EXPECT_GT(CountPixels(p, CRect(60, 40, 280, 279), RGB(255, 0, 0)), 100);
}

TEST_F(CurveDialogTest, ADragOnTheTitleStripOrTheDarkBandMovesTheWindow)
{
    const CRect start = WindowRect();
    DragBy(POINT{200, 15}, 30, 20);
    EXPECT_EQ(WindowRect(), CRect(start.left + 30, start.top + 20, start.right + 30, start.bottom + 20));
    DragBy(POINT{200, 35}, -10, 5);
    EXPECT_EQ(WindowRect(), CRect(start.left + 20, start.top + 25, start.right + 20, start.bottom + 25));
}

TEST_F(CurveDialogTest, ADragOnThePlotZoomsAndLeavesTheWindowWhereItIs)
{
    const CRect start = WindowRect();
    DragBy(POINT{150, 100}, 50, 50);
    EXPECT_EQ(WindowRect(), start);
    EXPECT_EQ(dialog->m_plot.m_bAutoRange, 0);
    EXPECT_GT(dialog->m_plot.GetXAxis().m_fMin, 0.0f);
}

TEST_F(CurveDialogTest, APressOnTheCloseLightHidesTheWindowWhichGoesOnTakingPoints)
{
    skin_test::UserClick(*dialog, 519 - 20, 14);
    EXPECT_FALSE(dialog->IsWindowVisible());
    EXPECT_TRUE(::IsWindow(dialog->m_hWnd));
    dialog->m_plot.AddPoint(1.0f, 30.0f, 0);
    EXPECT_EQ(dialog->m_plot.m_curves[0]->m_nCount, 1);
}

TEST_F(CurveDialogTest, EscapeLeavesTheWindowOpen)
{
    dialog->SetFocus();
    for (HWND target : {dialog->m_hWnd, dialog->m_plot.m_hWnd}) {
        ::SetFocus(target);
        platform::user::input::Key(VK_ESCAPE, true);
        platform::user::input::Key(VK_ESCAPE, false);
        Pump();
        EXPECT_TRUE(dialog->IsWindowVisible());
    }
}

TEST_F(CurveDialogTest, DeletingTheDialogDestroysItsWindow)
{
    const HWND window = dialog->m_hWnd, plot = dialog->m_plot.m_hWnd;
    dialog.reset();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(::IsWindow(plot));
}

TEST(RoundRectTest, ACaptionIsReadOnlyWhenTheWindowIsMade)
{
    skin_test::StartGdiplus();
    Host owner;
    ASSERT_TRUE(owner.CreateTop(0, 0, 600, 400));
    CDlgCurve dialog(&owner);
    dialog.SetCaption("Polygon #3");
    ASSERT_TRUE(dialog.Create(CDlgCurve::kTemplateId, &owner));
    dialog.SetCaption("changed");
    CString title;
    dialog.m_lightTitle.GetWindowText(title);
    EXPECT_EQ(title, "Polygon #3");
    dialog.Hide();
    EXPECT_FALSE(dialog.IsWindowVisible());
    dialog.DestroyWindow();
    owner.DestroyWindow();
}
