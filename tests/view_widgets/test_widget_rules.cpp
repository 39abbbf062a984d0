// The palette picker's, the cell grid's and the system button's rules without a window.
#include <gtest/gtest.h>

#include "acquisition/ZelColorMap.h"
#include "view/COGLCircleColorMap.h"
#include "view/COGLGroupBtn.h"
#include "view/CSystemBtn.h"

namespace {

TEST(PalettePicker, CentresOfAThreeHundredByFiftyPicker)
{
    const int c = palette_picker::FirstCenter(300, 50);
    EXPECT_EQ(c, 25);
    const int xs[3] = {25, 90, 155};
    for (int wheel = 0; wheel < 3; ++wheel) {
        const POINT p = palette_picker::WheelCenter(wheel, c, c, palette_picker::kRadius);
        EXPECT_EQ(p.x, xs[wheel]);
        EXPECT_EQ(p.y, 25);
    }
}

TEST(PalettePicker, TallControlCentresAtHalfItsWidth)
{
    EXPECT_EQ(palette_picker::FirstCenter(50, 300), 25);
    EXPECT_EQ(palette_picker::FirstCenter(41, 41), 20);
}

struct PickCase {
    POINT pt;
    int expected;
};

class PalettePick : public ::testing::TestWithParam<PickCase> {};

TEST_P(PalettePick, SquaresWithRightAndBottomEdgesOut)
{
    EXPECT_EQ(palette_picker::PickWheel(GetParam().pt, 25, 25, 15), GetParam().expected)
        << GetParam().pt.x << "," << GetParam().pt.y;
}

INSTANTIATE_TEST_SUITE_P(
    Squares, PalettePick,
    ::testing::Values(PickCase{{25, 25}, 0}, PickCase{{10, 10}, 0} /* corner, outside the disc */,
                      PickCase{{39, 39}, 0} /* opposite corner, outside the disc */, PickCase{{40, 25}, -1},
                      PickCase{{25, 40}, -1}, PickCase{{9, 25}, -1}, PickCase{{25, 9}, -1},
                      PickCase{{60, 25}, -1} /* between wheels 0 and 1 */, PickCase{{75, 10}, 1},
                      PickCase{{104, 39}, 1}, PickCase{{140, 10}, 2}, PickCase{{169, 39}, 2},
                      PickCase{{170, 25}, -1}, PickCase{{250, 25}, -1}));

TEST(PalettePicker, WheelZeroHoldsPaletteZeroEntryForEntry)
{
    const palette_picker::WheelColours w = palette_picker::ColoursOf(0);
    ASSERT_EQ(w.count, 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(w.words[4 * i], ZelColorMap::kPalette0[3 * i]) << i;
        EXPECT_EQ(w.words[4 * i + 1], ZelColorMap::kPalette0[3 * i + 1]) << i;
        EXPECT_EQ(w.words[4 * i + 2], ZelColorMap::kPalette0[3 * i + 2]) << i;
    }
    // Black through to pale yellow.
    EXPECT_EQ(w.words[0] | w.words[1] | w.words[2], 0);
    EXPECT_EQ(w.words[4 * 255], 0xFF);
    EXPECT_EQ(w.words[4 * 255 + 2], 0xCA);
}

TEST(PalettePicker, WheelOneIsAGreyRampOfFourEntriesALevel)
{
    const palette_picker::WheelColours w = palette_picker::ColoursOf(1);
    ASSERT_EQ(w.count, 1024u);
    for (std::uint32_t k : {0u, 3u, 4u, 513u, 1020u, 1023u}) {
        EXPECT_EQ(w.words[4 * k], k / 4) << k;
        EXPECT_EQ(w.words[4 * k + 1], k / 4) << k;
        EXPECT_EQ(w.words[4 * k + 2], k / 4) << k;
    }
}

TEST(PalettePicker, WheelTwoHasTheSixStopsInOrder)
{
    const palette_picker::WheelColours w = palette_picker::ColoursOf(2);
    ASSERT_EQ(w.count, 6u);
    const std::uint8_t expected[6][3] = {{255, 0, 0}, {255, 0, 255}, {0, 0, 255}, {0, 255, 255}, {0, 255, 0}, {255, 255, 0}};
    for (int i = 0; i < 6; ++i)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(w.words[4 * i + c], expected[i][c]) << i << "/" << c;
}

TEST(PalettePicker, RingsOfTheSelectedWheel)
{
    EXPECT_EQ(palette_picker::RingOf(0).extra, 3);
    EXPECT_EQ(palette_picker::RingOf(0).segments, 500u);
    EXPECT_EQ(palette_picker::RingOf(1).extra, 3);
    EXPECT_EQ(palette_picker::RingOf(2).extra, 2);
    EXPECT_EQ(palette_picker::RingOf(2).segments, 3000u);
}

TEST(CellGrid, CellSizeSharesTheExtentLessTheGaps)
{
    EXPECT_EQ(cell_grid::CellSize(80, 2, 30), 25);
    EXPECT_EQ(cell_grid::CellSize(101, 3, 0), 33);
    EXPECT_EQ(cell_grid::CellSize(50, 1, 7), 50);
    EXPECT_EQ(cell_grid::CellSize(20, 2, 30), -5);  // signed: a too small control has no cells
}

struct CellCase {
    POINT pt;
    int expected;
};

class SystemButtonCells : public ::testing::TestWithParam<CellCase> {};

// A system button of width 2 x 25 + 30 and height 20.
TEST_P(SystemButtonCells, CloseCellStartsAfterTheGap)
{
    const int w = cell_grid::CellSize(80, 2, 30);
    const int h = cell_grid::CellSize(20, 1, 0);
    EXPECT_EQ(cell_grid::HitCell(GetParam().pt, 1, 2, w, h, 0, 30), GetParam().expected)
        << GetParam().pt.x << "," << GetParam().pt.y;
}

INSTANTIATE_TEST_SUITE_P(Cells, SystemButtonCells,
                         ::testing::Values(CellCase{{0, 0}, 0}, CellCase{{24, 19}, 0}, CellCase{{25, 10}, -1},
                                           CellCase{{54, 10}, -1}, CellCase{{55, 0}, 1}, CellCase{{79, 19}, 1},
                                           CellCase{{80, 10}, -1}, CellCase{{30, 20}, -1}, CellCase{{-1, 5}, -1}));

TEST(CellGrid, RemainderPixelsAtTheRightEdgeAreNotClickable)
{
    const int w = cell_grid::CellSize(101, 3, 0);
    EXPECT_EQ(cell_grid::HitCell(POINT{98, 5}, 1, 3, w, 10, 0, 0), 2);
    EXPECT_EQ(cell_grid::HitCell(POINT{99, 5}, 1, 3, w, 10, 0, 0), -1);
    EXPECT_EQ(cell_grid::HitCell(POINT{100, 5}, 1, 3, w, 10, 0, 0), -1);
}

TEST(CellGrid, RowsAndColumnsWithGapsGiveRowMajorIndexes)
{
    // 2 x 2 in 100 x 50 with a row gap of 5 and a column gap of 10: cells of 45 x 22.
    const int w = cell_grid::CellSize(100, 2, 10);
    const int h = cell_grid::CellSize(50, 2, 5);
    ASSERT_EQ(w, 45);
    ASSERT_EQ(h, 22);
    EXPECT_EQ(cell_grid::HitCell(POINT{10, 10}, 2, 2, w, h, 5, 10), 0);
    EXPECT_EQ(cell_grid::HitCell(POINT{60, 10}, 2, 2, w, h, 5, 10), 1);
    EXPECT_EQ(cell_grid::HitCell(POINT{10, 30}, 2, 2, w, h, 5, 10), 2);
    EXPECT_EQ(cell_grid::HitCell(POINT{99, 48}, 2, 2, w, h, 5, 10), 3);
    EXPECT_EQ(cell_grid::HitCell(POINT{50, 10}, 2, 2, w, h, 5, 10), -1);  // column gap
    EXPECT_EQ(cell_grid::HitCell(POINT{10, 24}, 2, 2, w, h, 5, 10), -1);  // row gap
    const RECT last = cell_grid::CellRect(1, 1, w, h, 5, 10);
    EXPECT_EQ(last.left, 55);
    EXPECT_EQ(last.top, 27);
    EXPECT_EQ(last.right, 100);
    EXPECT_EQ(last.bottom, 49);
}

TEST(SystemButton, TwoActionsAndNothingElse)
{
    using system_button::Action;
    EXPECT_EQ(system_button::ActionOf(0), Action::Minimize);
    EXPECT_EQ(system_button::ActionOf(1), Action::Close);
    EXPECT_EQ(system_button::ActionOf(2), Action::None);
    EXPECT_EQ(system_button::ActionOf(-1), Action::None);
}

TEST(SystemButton, GlyphsOfBothCells)
{
    const system_button::Glyph minimise = system_button::GlyphOf(0, 30, 25, 20);
    EXPECT_FLOAT_EQ(minimise.lineWidth, 3.0f);
    ASSERT_EQ(minimise.lines.size(), 1u);
    EXPECT_EQ(minimise.lines[0].x0, 2);
    EXPECT_EQ(minimise.lines[0].y0, 10);
    EXPECT_EQ(minimise.lines[0].x1, 23);
    EXPECT_EQ(minimise.lines[0].y1, 10);

    const system_button::Glyph close = system_button::GlyphOf(1, 30, 25, 20);
    EXPECT_FLOAT_EQ(close.lineWidth, 4.0f);
    ASSERT_EQ(close.lines.size(), 2u);
    EXPECT_EQ(close.lines[0].x0, 57);
    EXPECT_EQ(close.lines[0].y0, 3);
    EXPECT_EQ(close.lines[0].x1, 78);
    EXPECT_EQ(close.lines[0].y1, 17);
    EXPECT_EQ(close.lines[1].x0, 78);
    EXPECT_EQ(close.lines[1].x1, 57);

    EXPECT_TRUE(system_button::GlyphOf(2, 30, 25, 20).lines.empty());
}

TEST(SystemButton, OddHeightCentresTheBarByShift)
{
    EXPECT_EQ(system_button::GlyphOf(0, 30, 25, 21).lines[0].y0, 10);  // ((21 - 4) >> 1) + 2
}

}  // namespace
