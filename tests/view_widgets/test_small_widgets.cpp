// The palette picker, the system button (on the cell grid), the placeholder combo box and the
// text label in windows: picks and clicks through mouse messages, and their paintings.
#include <gtest/gtest.h>

#include <vector>

#include "tests/view_widgets/WidgetTestSupport.h"
#include "view/COGLCircleColorMap.h"
#include "view/COGLComboBox.h"
#include "view/COGLGroupBtn.h"
#include "view/CSystemBtn.h"
#include "view/CZelColorStatic.h"

namespace {

using widget_test::Rgb;
using view_test::Click;

class PickerTest : public widget_test::MainWindowTest {
protected:
    void SetUp() override
    {
        widget_test::MainWindowTest::SetUp();
        COGLCircleColorMap::SetRefreshViews([this](CWnd* wnd) { refreshed.push_back(wnd); });
    }
    void TearDown() override
    {
        COGLCircleColorMap::SetRefreshViews(nullptr);
        if (::IsWindow(picker.m_hWnd))
            picker.DestroyWindow();
        widget_test::MainWindowTest::TearDown();
    }
    void CreatePicker(int width, int height)
    {
        ASSERT_TRUE(picker.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(5, 5, 5 + width, 5 + height), &main, 5001));
    }

    COGLCircleColorMap picker;
    std::vector<CWnd*> refreshed;
};

TEST_F(PickerTest, CreatedWithTheFirstWheelSelected)
{
    CreatePicker(300, 50);
    EXPECT_EQ(picker.m_nCenterX, 25);
    EXPECT_EQ(picker.m_nCenterY, 25);
    EXPECT_EQ(picker.m_nRadius, 15);
    EXPECT_EQ(picker.m_nSelected, 0);
    EXPECT_EQ(picker.m_bNavigate, 1);
    EXPECT_EQ(picker.m_renderer.m_pViews[0].imageWidth, 300u);
}

TEST_F(PickerTest, TallPickerCentresAtHalfItsWidth)
{
    CreatePicker(50, 300);
    EXPECT_EQ(picker.m_nCenterX, 25);
    EXPECT_EQ(picker.m_nCenterY, 25);
}

TEST_F(PickerTest, PickSetsThePaletteAndRefreshesTheMainWindow)
{
    CreatePicker(300, 50);
    Click(picker.m_hWnd, 141, 11);  // wheel 2's square, outside its disc
    EXPECT_EQ(picker.m_nSelected, 2);
    EXPECT_EQ(theApp.m_capture.m_colorMap.m_nCurPalette, 2u);
    ASSERT_EQ(refreshed.size(), 1u);
    EXPECT_EQ(refreshed[0], &main);
    Click(picker.m_hWnd, 90, 25);
    EXPECT_EQ(picker.m_nSelected, 1);
    EXPECT_EQ(theApp.m_capture.m_colorMap.m_nCurPalette, 1u);
    EXPECT_EQ(refreshed.size(), 2u);
}

TEST_F(PickerTest, PickingTheSelectedWheelRefreshesAgain)
{
    CreatePicker(300, 50);
    Click(picker.m_hWnd, 25, 25);
    Click(picker.m_hWnd, 25, 25);
    EXPECT_EQ(picker.m_nSelected, 0);
    EXPECT_EQ(refreshed.size(), 2u);
}

TEST_F(PickerTest, ClickOutsideTheSquaresChangesNothing)
{
    CreatePicker(300, 50);
    theApp.m_capture.m_colorMap.m_nCurPalette = 1;
    for (POINT p : {POINT{40, 25}, POINT{60, 25}, POINT{200, 25}, POINT{25, 45}})
        Click(picker.m_hWnd, p.x, p.y);
    EXPECT_EQ(picker.m_nSelected, 0);
    EXPECT_EQ(theApp.m_capture.m_colorMap.m_nCurPalette, 1u);
    EXPECT_TRUE(refreshed.empty());
}

TEST_F(PickerTest, PaintedWheelsAndTheRing)
{
    CreatePicker(300, 50);
    Click(picker.m_hWnd, 155, 25);
    platform::user::Picture p = widget_test::Shot(picker.m_hWnd, "picker.png");
    const std::uint32_t background = 0x010C15;
    EXPECT_EQ(Rgb(p, 250, 25), background);
    EXPECT_EQ(Rgb(p, 10, 10), background);  // a square's corner: picked, but not drawn
    // Wheel 2: red straight below the centre, cyan straight above (colours run clockwise; the
    // centre of every wheel has its first colour, so cyan is mixed with some red there).
    const std::uint32_t below = Rgb(p, 155, 37);
    EXPECT_GT(widget_test::Red(below), 200);
    EXPECT_LT(widget_test::Green(below), 60);
    const std::uint32_t above = Rgb(p, 155, 13);
    EXPECT_LT(widget_test::Red(above), 80);
    EXPECT_GT(widget_test::Green(above), 180);
    EXPECT_GT(widget_test::Blue(above), 180);
    // Wheel 1 is grey everywhere.
    const std::uint32_t grey = Rgb(p, 96, 30);
    EXPECT_EQ(widget_test::Red(grey), widget_test::Green(grey));
    EXPECT_EQ(widget_test::Green(grey), widget_test::Blue(grey));
    // Only the selected wheel wears the ring (radius 17 for wheel 2, 18 for the others).
    EXPECT_GT(widget_test::CountColour(p, 136, 5, 175, 45, 0xFFFFFF), 60);
    EXPECT_EQ(widget_test::CountColour(p, 0, 0, 130, 50, 0xFFFFFF), 0);
}

class SystemButtonTest : public widget_test::MainWindowTest {
protected:
    void TearDown() override
    {
        if (::IsWindow(buttons.m_hWnd))
            buttons.DestroyWindow();
        widget_test::MainWindowTest::TearDown();
    }
    void CreateButtons()
    {
        // Cells of 25 x 20 with the 30-pixel gap between them.
        ASSERT_TRUE(buttons.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(400, 0, 480, 20), &main, 5002));
    }

    CSystemBtn buttons;
};

TEST_F(SystemButtonTest, CellsComputedAtCreation)
{
    CreateButtons();
    EXPECT_EQ(buttons.m_nRows, 1);
    EXPECT_EQ(buttons.m_nCols, 2);
    EXPECT_EQ(buttons.m_nHGap, 30);
    EXPECT_EQ(buttons.m_nVGap, 0);
    EXPECT_EQ(buttons.m_nCellW, 25);
    EXPECT_EQ(buttons.m_nCellH, 20);
    EXPECT_EQ(buttons.m_nClicked, -1);
}

TEST_F(SystemButtonTest, LeftCellMinimisesTheMainWindow)
{
    CreateButtons();
    Click(buttons.m_hWnd, 10, 10);
    EXPECT_EQ(buttons.m_nClicked, 0);
    EXPECT_TRUE(main.IsIconic());
    EXPECT_EQ(main.Count(WM_CLOSE), 0);
}

TEST_F(SystemButtonTest, RightCellClosesTheMainWindow)
{
    CreateButtons();
    Click(buttons.m_hWnd, 60, 10);
    EXPECT_EQ(main.Count(WM_CLOSE), 1);
    EXPECT_FALSE(main.IsIconic());
}

TEST_F(SystemButtonTest, GapDoesNothing)
{
    CreateButtons();
    for (int x : {25, 40, 54})
        Click(buttons.m_hWnd, x, 10);
    EXPECT_EQ(buttons.m_nClicked, -1);
    EXPECT_FALSE(main.IsIconic());
    EXPECT_EQ(main.Count(WM_CLOSE), 0);
}

TEST_F(SystemButtonTest, WithoutAMainWindowClicksAreHarmless)
{
    CreateButtons();
    widget_test::App()->m_pMainWnd = nullptr;
    Click(buttons.m_hWnd, 60, 10);
    EXPECT_EQ(buttons.m_nClicked, 1);
    EXPECT_EQ(main.Count(WM_CLOSE), 0);
}

TEST_F(SystemButtonTest, PaintedBarAndCross)
{
    CreateButtons();
    platform::user::Picture p = widget_test::Shot(buttons.m_hWnd, "system_button.png");
    const std::uint32_t background = 0x00152F;
    EXPECT_EQ(Rgb(p, 40, 10), background);  // the gap
    EXPECT_EQ(Rgb(p, 12, 4), background);
    // The minimise bar across the left cell at y 10, in the fresh context's white.
    EXPECT_GT(widget_test::CountColour(p, 2, 9, 23, 12, 0xFFFFFF), 30);
    // The close cross: its centre and near two of its ends.
    EXPECT_EQ(Rgb(p, 67, 10), 0xFFFFFFu);
    EXPECT_GT(widget_test::CountColour(p, 56, 2, 61, 7, 0xFFFFFF), 3);
    EXPECT_GT(widget_test::CountColour(p, 74, 2, 80, 7, 0xFFFFFF), 3);
}

// A grid that records its clicks.
class RecordingGrid : public COGLGroupBtn {
public:
    RecordingGrid() : COGLGroupBtn(2, 3, 4, 6) {}
    void OnItemClick(int index) override { clicks.push_back(index); }
    std::vector<int> clicks;
};

TEST_F(SystemButtonTest, GroupButtonReportsRowMajorIndexes)
{
    RecordingGrid grid;
    ASSERT_TRUE(grid.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 100, 100, 150), &main, 5003));
    // (100 - 2 x 6) / 3 = 29 wide, (50 - 4) / 2 = 23 high.
    EXPECT_EQ(grid.m_nCellW, 29);
    EXPECT_EQ(grid.m_nCellH, 23);
    Click(grid.m_hWnd, 1, 1);
    Click(grid.m_hWnd, 40, 30);
    Click(grid.m_hWnd, 99, 48);  // the remainder pixel at the right
    Click(grid.m_hWnd, 30, 5);   // column gap
    Click(grid.m_hWnd, 90, 48);
    EXPECT_EQ(grid.clicks, (std::vector<int>{0, 4, 5}));
    EXPECT_EQ(grid.m_nClicked, 5);
    grid.DestroyWindow();
}

class LabelTest : public widget_test::MainWindowTest {};

TEST_F(LabelTest, ComboBoxPaintsFourOutlines)
{
    COGLComboBox combo;
    ASSERT_TRUE(combo.Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, 120, 60), &main, 5004));
    EXPECT_EQ(combo.m_bNavigate, 1);
    platform::user::Picture p = widget_test::Shot(combo.m_hWnd, "combo_box.png");
    const std::uint32_t background = 0x00152F;
    EXPECT_EQ(Rgb(p, 110, 30), background);
    // The left edges at x 1 from y 5 down, and the first outline's top edge at y 5.
    EXPECT_GT(widget_test::CountColour(p, 0, 5, 3, 58, 0xFFFFFF), 40);
    EXPECT_GT(widget_test::CountColour(p, 10, 4, 90, 7, 0xFFFFFF), 70);
    EXPECT_EQ(Rgb(p, 50, 2), background);
    combo.DestroyWindow();
}

TEST_F(LabelTest, ColourStaticDrawsItsTextInRedOnBlack)
{
    CZelColorStatic label;
    ASSERT_TRUE(label.Create("温度 25.3", WS_CHILD | WS_VISIBLE, CRect(0, 0, 160, 40), &main, 5005));
    EXPECT_EQ(label.m_renderer.m_nViewCount, 3);
    EXPECT_EQ(label.m_bNavigate, 0);
    platform::user::Picture p = widget_test::Shot(label.m_hWnd, "colour_static.png");
    EXPECT_EQ(Rgb(p, 150, 5), 0x000000u);
    EXPECT_EQ(Rgb(p, 5, 38), 0x000000u);
    EXPECT_GT(widget_test::CountColour(p, 10, 5, 160, 36, 0xFF0000), 40);
    // Only red and black: nothing else is drawn.
    int other = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t c = Rgb(p, x, y);
            if (widget_test::Green(c) != 0 || widget_test::Blue(c) != 0)
                ++other;
        }
    EXPECT_EQ(other, 0);
    label.DestroyWindow();
}

}  // namespace
