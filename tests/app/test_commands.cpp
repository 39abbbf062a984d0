// The toolbar commands through clicks on the real buttons: the radio groups, what entering each
// inspection mode does, the sources and lists, the tools, grid, colour mode, language, the window
// buttons, and flip and mirror with the shapes on the picture.
#include <gtest/gtest.h>

#include "platform/user/surface.h"
#include "platform/user/window_manager.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/controls/ThumbnailFiles.h"

using namespace app_test;

namespace {

using B = CVantrelDlg;

class CommandTest : public MainWindowTest {
protected:
    // Without frames arriving, so that a 3D mode paints only when asked.
    void SetUp() override
    {
        MainWindowTest::SetUp();
        QuietWorkers();
    }
    std::vector<int> Checked(int first, int count)
    {
        std::vector<int> checked;
        for (int b = first; b < first + count; ++b)
            if (dlg.m_btn[b].GetCheck()) checked.push_back(b);
        return checked;
    }
    RenderView& View() { return dlg.m_display.m_renderer.m_pViews[0]; }
    bool Visible(int button) { return dlg.m_btn[button].IsWindowVisible() != FALSE; }
};

TEST_F(CommandTest, EnteringEachModeSetsTheDisplayAndTheButtons)
{
    struct Case {
        int button, mode, threeD, grid, tools, tool;
    };
    const Case cases[] = {{B::kModeThermalField, 1, 1, 1, 0, TOOL_NONE},
                          {B::kModeCompare, 2, 0, 0, 1, TOOL_RECT},
                          {B::kModeRoi, 3, 0, 0, 0, TOOL_RECT},
                          {B::kModePcba, 0, 0, 0, 1, TOOL_RECT}};
    for (const Case& c : cases) {
        View().points.push_back(POINT{5, 5});
        Click(c.button);
        EXPECT_EQ(Checked(B::kModePcba, 4), std::vector<int>{c.button});
        EXPECT_EQ(dlg.m_display.m_nDisplayMode, c.mode);
        EXPECT_EQ(dlg.m_display.m_renderer.m_b3D, c.threeD) << c.mode;
        EXPECT_EQ(Visible(B::kGrid), c.grid != 0) << c.mode;
        for (int b = B::kToolPoint; b <= B::kToolPolygon; ++b) EXPECT_EQ(Visible(b), c.tools != 0) << c.mode;
        EXPECT_EQ(dlg.m_display.m_nTool, c.tool) << c.mode;
        EXPECT_TRUE(View().points.empty()) << c.mode;
        EXPECT_EQ(View().rects.size(), c.mode == 3 ? 1u : 0u) << c.mode;
    }
}

TEST_F(CommandTest, RoiCheckLeavesOneRectangleAndTheRectangleTool)
{
    Click(B::kToolPoint);
    Click(B::kModeRoi);
    ASSERT_EQ(View().rects.size(), 1u);
    const RectShape& r = *View().rects[0];
    EXPECT_EQ(r.x, 100);
    EXPECT_EQ(r.y, 100);
    EXPECT_EQ(r.w, 40);
    EXPECT_EQ(r.h, 30);
    EXPECT_EQ(dlg.m_display.m_nTool, TOOL_RECT);
    EXPECT_EQ(Checked(B::kToolPoint, 3), std::vector<int>{B::kToolPoint});
}

TEST_F(CommandTest, AClickOnTheCheckedButtonOfAGroupChangesNothing)
{
    for (int button : {B::kModePcba, B::kToolRect, B::kImageList}) {
        View().points.push_back(POINT{7, 7});
        Click(button);
        EXPECT_EQ(dlg.m_btn[button].GetCheck(), 1) << button;
        EXPECT_EQ(View().points.size(), 1u) << button;
        View().points.clear();
    }
    EXPECT_EQ(dlg.m_display.m_nTool, TOOL_RECT);
    EXPECT_TRUE(dlg.m_listImage.IsWindowVisible());
}

TEST_F(CommandTest, PcbaCheckOrCompareWithoutACheckedToolTakeThePolygon)
{
    for (int mode : {B::kModePcba, B::kModeCompare}) {
        Click(B::kModeThermalField);
        for (int b = B::kToolPoint; b <= B::kToolPolygon; ++b) dlg.m_btn[b].SetCheck(FALSE, TRUE);
        Click(mode);
        EXPECT_EQ(dlg.m_display.m_nTool, TOOL_POLYGON) << mode;
    }
}

TEST_F(CommandTest, CurveWindowsCloseOnlyWhenEnteringOrLeavingCompare)
{
    struct Step {
        int button;
        bool closes;
    };
    const Step steps[] = {{B::kModeThermalField, false}, {B::kModeRoi, false}, {B::kModePcba, false},
                          {B::kModeCompare, true},       {B::kModePcba, true}};
    for (const Step& s : steps) {
        dlg.m_curveDlgs.push_back(new CDlgCurve(&dlg));
        Click(s.button);
        EXPECT_EQ(dlg.m_curveDlgs.empty(), s.closes) << s.button;
    }
    dlg.ClearInspectionObjects();
}

TEST_F(CommandTest, ToolsAreARadioGroup)
{
    const std::pair<int, int> tools[] = {{B::kToolPoint, TOOL_POINT}, {B::kToolPolygon, TOOL_POLYGON}, {B::kToolRect, TOOL_RECT}};
    for (auto [button, tool] : tools) {
        Click(button);
        EXPECT_EQ(Checked(B::kToolPoint, 3), std::vector<int>{button});
        EXPECT_EQ(dlg.m_display.m_nTool, tool);
    }
}

TEST_F(CommandTest, SourcesChooseTheShownFrameAndTheirList)
{
    CIRDataCapture& capture = theApp.m_capture;
    Click(B::kSourceImage);
    EXPECT_EQ(Checked(B::kSourceCamera, 3), std::vector<int>{B::kSourceImage});
    EXPECT_EQ(dlg.m_display.m_pImage.load(), &capture.m_frameImage);
    EXPECT_TRUE(dlg.m_listImage.IsWindowVisible());
    Click(B::kSourceVideo);
    EXPECT_EQ(dlg.m_display.m_pImage.load(), &capture.m_frameVideo);
    EXPECT_EQ(Checked(B::kImageList, 2), std::vector<int>{B::kVideoList});
    EXPECT_TRUE(dlg.m_listVideo.IsWindowVisible());
    EXPECT_FALSE(dlg.m_listImage.IsWindowVisible());
    Click(B::kSourceVideo);
    EXPECT_EQ(Checked(B::kSourceCamera, 3), std::vector<int>{B::kSourceVideo});
    Click(B::kSourceCamera);
    EXPECT_EQ(dlg.m_display.m_pImage.load(), &capture.m_frameLive);
    EXPECT_EQ(dlg.m_display.m_nImageSlot, 0);
    EXPECT_TRUE(dlg.m_listVideo.IsWindowVisible());
}

TEST_F(CommandTest, GridColourModeAndLanguageFollowTheirButtons)
{
    Click(B::kModeThermalField);
    Click(B::kGrid);
    EXPECT_EQ(dlg.m_display.m_renderer.m_bGrid, 1);
    Click(B::kGrid);
    EXPECT_EQ(dlg.m_display.m_renderer.m_bGrid, 0);

    Click(B::kColourMode);
    EXPECT_EQ(theApp.m_capture.m_nColorMode, 1);
    Click(B::kColourMode);
    EXPECT_EQ(theApp.m_capture.m_nColorMode, 0);

    Click(B::kLanguage);
    EXPECT_EQ(TextOf(dlg.m_btn[B::kLanguage]), "English");
    EXPECT_EQ(theApp.m_settings[SETTING_Language].value.nValue, 1);
    Click(B::kLanguage);
    EXPECT_EQ(TextOf(dlg.m_btn[B::kLanguage]), "中文");
}

TEST_F(CommandTest, WindowButtonsMinimiseRestoreMaximiseAndClose)
{
    Click(B::kMaximise);
    EXPECT_FALSE(dlg.IsZoomed());
    EXPECT_EQ(dlg.m_btn[B::kMaximise].GetCheck(), 1);
    Click(B::kMaximise);
    EXPECT_TRUE(dlg.IsZoomed());
    Click(B::kMinimise);
    EXPECT_TRUE(dlg.IsIconic());
    dlg.ShowWindow(SW_RESTORE);
    Pump();
    Click(B::kClose);
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_FALSE(dlg.m_display.IsThreadWorkerRunning());
}

// However the window came to its state, the maximise button's next click changes it.
struct StateChange {
    const char* name;
    bool restoredByTheButton;  // the button restores the window first
    void (*change)(CVantrelDlg&);
    bool maximisedAfterTheClick;
};
class MaximiseButtonTest : public CommandTest, public ::testing::WithParamInterface<StateChange> {};

TEST_P(MaximiseButtonTest, ItsNextClickChangesTheState)
{
    if (GetParam().restoredByTheButton) Click(B::kMaximise);
    GetParam().change(dlg);
    Pump();
    Click(B::kMaximise);
    EXPECT_EQ(dlg.IsZoomed() != FALSE, GetParam().maximisedAfterTheClick);
}
INSTANTIATE_TEST_SUITE_P(
    States, MaximiseButtonTest,
    ::testing::Values(StateChange{"RestoredFromTheSystemMenu", false,
                                  [](CVantrelDlg& d) { d.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0); }, true},
                      StateChange{"MaximisedByTheWindowManager", true,
                                  [](CVantrelDlg& d) { platform::user::window_manager::Maximized(d.GetSafeHwnd()); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandTest, TheLastCommandOfTheRangeDoesNothing)
{
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(3024, BN_CLICKED), 0);
    EXPECT_EQ(dlg.m_display.m_nDisplayMode, 0);
    EXPECT_EQ(dlg.m_display.m_nTool, TOOL_RECT);
    EXPECT_TRUE(dlg.IsWindowVisible());
}

}  // namespace

namespace {

// The shapes of the flip and mirror table, each case starting from the same three.
class FlipTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        View().imageWidth = 256;
        View().imageHeight = 192;
        View().rects.push_back(new RectShape{10, 20, 30, 40});
        View().points.push_back(POINT{5, 0});
        auto* polygon = new PolygonShape;
        polygon->m_points = {{10, 10}, {50, 10}, {30, 40}};
        polygon->UpdateMask();
        View().polygons.push_back(polygon);
    }
    void ExpectShapes(const RectShape& rect, POINT point, std::vector<POINT> vertices)
    {
        const RectShape& r = *View().rects[0];
        EXPECT_EQ(std::vector<int>({r.x, r.y, r.w, r.h}), std::vector<int>({rect.x, rect.y, rect.w, rect.h}));
        EXPECT_EQ(View().points[0].x, point.x);
        EXPECT_EQ(View().points[0].y, point.y);
        const PolygonShape& p = *View().polygons[0];
        ASSERT_EQ(p.m_points.size(), vertices.size());
        for (std::size_t k = 0; k < vertices.size(); ++k) {
            EXPECT_EQ(p.m_points[k].x, vertices[k].x) << k;
            EXPECT_EQ(p.m_points[k].y, vertices[k].y) << k;
        }
        // The mask follows the vertices.
        PolygonShape expected;
        expected.m_points = vertices;
        expected.UpdateMask();
        EXPECT_EQ(p.m_mask.m_nLeft, expected.m_mask.m_nLeft);
        EXPECT_EQ(p.m_mask.m_nTop, expected.m_mask.m_nTop);
        EXPECT_EQ(p.m_mask.m_nWidth, expected.m_mask.m_nWidth);
        EXPECT_EQ(p.m_mask.m_nHeight, expected.m_mask.m_nHeight);
    }
};

TEST_F(FlipTest, FlipAndMirrorTurnTheShapesOverWithThePictureAndBack)
{
    struct Case {
        std::vector<int> buttons;
        int flags;
        RectShape rect;
        POINT point;
        std::vector<POINT> vertices;
    };
    const Case cases[] = {
        {{B::kFlip}, 2, {10, 132, 30, 40}, {5, 191}, {{10, 181}, {50, 181}, {30, 151}}},
        {{B::kMirror}, 1, {216, 20, 30, 40}, {250, 0}, {{245, 10}, {205, 10}, {225, 40}}},
        {{B::kFlip, B::kMirror}, 3, {216, 132, 30, 40}, {250, 191}, {{245, 181}, {205, 181}, {225, 151}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        for (int b : c.buttons) Click(b);
        EXPECT_EQ(theApp.m_nFlipMirror, c.flags);
        EXPECT_EQ(View().flip, c.flags);
        ExpectShapes(c.rect, c.point, c.vertices);
        for (int b : c.buttons) Click(b);
        EXPECT_EQ(theApp.m_nFlipMirror, 0);
        EXPECT_EQ(View().flip, 0);
        ExpectShapes({10, 20, 30, 40}, {5, 0}, {{10, 10}, {50, 10}, {30, 40}});
    }
}

// A picture of the thermal display as it shows now.
platform::user::Picture DisplayPicture(CStaticDisplay& display)
{
    platform::user::Picture picture;
    platform::user::RenderWindow(display.GetSafeHwnd(), &picture);
    return picture;
}

long PixelsThatDiffer(const platform::user::Picture& a, const platform::user::Picture& b)
{
    long differ = 0;
    for (int y = 0; y < std::min(a.height, b.height); ++y)
        for (int x = 0; x < std::min(a.width, b.width); ++x) differ += a.at(x, y) != b.at(x, y);
    return differ;
}

TEST_F(CommandTest, AChangeOfSourceShowsTheNewSourceAtOnce)
{
    const thumbnail_test::DataFolder folder;
    folder.Snapshot("board.ir");
    dlg.OpenIrFile(folder.Path("board.ir").c_str());
    Pump();
    const platform::user::Picture camera = DisplayPicture(dlg.m_display);
    // Only the click is handled: nothing else asks the display to paint.
    Click(B::kSourceImage);
    const platform::user::Picture image = DisplayPicture(dlg.m_display);
    EXPECT_GT(PixelsThatDiffer(camera, image), image.width * image.height / 4);
}

}  // namespace
