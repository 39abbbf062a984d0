// Region statistics: rectangles and polygons, with flips and mirrors, and with regions (Compare
// twins) that reach beyond the frame.
#include <gtest/gtest.h>

#include <vector>

#include "view/RegionStats.h"

namespace {

constexpr int W = 16;
constexpr int H = 8;

struct StatsFixture : ::testing::Test {
    std::vector<std::uint16_t> raw;
    RenderView view;
    void SetUp() override
    {
        view.imageWidth = W;
        view.imageHeight = H;
        // Each sample names its place: 1000 + 100 y + x (all distinct, growing along the scan).
        raw.resize(W * H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                raw[y * W + x] = static_cast<std::uint16_t>(1000 + 100 * y + x);
    }
    std::uint16_t At(int x, int y) const { return raw[y * W + x]; }
    // The samples as a block of the view's image size.
    SampleBlock Block() const { return SampleBlock{raw.data(), W, H}; }
};

TEST_F(StatsFixture, RectangleMaxMinMeanAndPosition)
{
    RectShape r{2, 1, 3, 2};
    RoiStats s;
    CalcRectStats(Block(), &view, &r, &s);
    EXPECT_EQ(s.max, At(4, 2));
    EXPECT_EQ(s.min, At(2, 1));
    EXPECT_EQ(s.mean, (At(2, 1) + At(3, 1) + At(4, 1) + At(2, 2) + At(3, 2) + At(4, 2)) / 6);
    EXPECT_EQ(s.x, 4);
    EXPECT_EQ(s.y, 2);
    EXPECT_EQ(s.pixels, 6);
    EXPECT_TRUE(HasPixels(s));
}

TEST_F(StatsFixture, MeanIsTruncated)
{
    raw[0] = 1;
    raw[1] = 2;
    RectShape r{0, 0, 2, 1};
    RoiStats s;
    CalcRectStats(Block(), &view, &r, &s);
    EXPECT_EQ(s.mean, 1.0);
}

TEST_F(StatsFixture, FirstMaximumInScanOrderWins)
{
    raw.assign(W * H, 500);
    raw[3 * W + 6] = 900;
    raw[2 * W + 9] = 900;
    RectShape r{0, 0, W, H};
    RoiStats s;
    CalcRectStats(Block(), &view, &r, &s);
    EXPECT_EQ(s.x, 9);
    EXPECT_EQ(s.y, 2);
}

TEST_F(StatsFixture, RectangleReadsTheShownPixelsUnderFlips)
{
    // A rectangle as shown; its frame origin follows the flip flags.
    struct Case {
        int flip;
        int x0, y0;  // frame origin of (2, 1, 3, 2)
    };
    const Case cases[] = {{0, 2, 1}, {1, W - 3 - 2, 1}, {2, 2, H - 2 - 1}, {3, W - 5, H - 3}};
    for (const Case& c : cases) {
        view.flip = c.flip;
        RectShape r{2, 1, 3, 2};
        RoiStats s;
        CalcRectStats(Block(), &view, &r, &s);
        EXPECT_EQ(s.min, At(c.x0, c.y0)) << c.flip;
        EXPECT_EQ(s.max, At(c.x0 + 2, c.y0 + 1)) << c.flip;
        EXPECT_EQ(s.x, c.x0 + 2) << c.flip;  // frame coordinates
        EXPECT_EQ(s.y, c.y0 + 1) << c.flip;
    }
}

TEST_F(StatsFixture, TwinBeyondTheFrameIsMeasuredOnItsInsidePart)
{
    // A rectangle in the right half whose twin starts past the half width: only the columns
    // inside the frame count.
    RectShape twin{W - 2, 1, 5, 2};
    RoiStats s;
    CalcRectStats(Block(), &view, &twin, &s);
    EXPECT_EQ(s.max, At(W - 1, 2));
    EXPECT_EQ(s.min, At(W - 2, 1));
    EXPECT_EQ(s.mean, (At(W - 2, 1) + At(W - 1, 1) + At(W - 2, 2) + At(W - 1, 2)) / 4);
    EXPECT_EQ(s.x, W - 1);
}

TEST_F(StatsFixture, RegionsOutsideTheFrameReadNothing)
{
    const RectShape cases[] = {{W + 3, 0, 4, 4}, {0, H, 4, 4}, {-10, 0, 4, 4}, {0, 0, 0, 4}, {10, 5, -4, -4}};
    for (const RectShape& r : cases) {
        RoiStats s;
        CalcRectStats(Block(), &view, &r, &s);
        EXPECT_EQ(s.max, 0);
        EXPECT_EQ(s.min, 65535);
        EXPECT_EQ(s.mean, 0);
        EXPECT_FALSE(HasPixels(s));
    }
    // Mirrored, a twin past the right edge lies past the left edge of the frame.
    view.flip = 1;
    RectShape r{W + 1, 0, 4, 4};
    RoiStats s;
    CalcRectStats(Block(), &view, &r, &s);
    EXPECT_EQ(s.max, 0);
}

TEST_F(StatsFixture, PartlyAboveAndLeftIsClipped)
{
    RectShape r{-2, -1, 4, 3};
    RoiStats s;
    CalcRectStats(Block(), &view, &r, &s);
    EXPECT_EQ(s.min, At(0, 0));
    EXPECT_EQ(s.max, At(1, 1));
    EXPECT_EQ(s.x, 1);
    EXPECT_EQ(s.y, 1);
}

// The polygon with corners (x0, y0) and (x1, y1).
struct Square : PolygonShape {
    Square(int x0, int y0, int x1, int y1)
    {
        m_points = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        UpdateMask();
    }
};

TEST_F(StatsFixture, PolygonCoversItsOutlineColumnsInclusive)
{
    Square p(2, 1, 5, 3);
    RoiStats s;
    CalcPolygonStats(Block(), &view, &p, &s);
    // Spans [0, 3) of a 4 wide box are read from start to end inclusive: columns 2..5.
    EXPECT_EQ(s.min, At(2, 1));
    EXPECT_EQ(s.max, At(5, 3));
    EXPECT_EQ(s.x, 5);
    EXPECT_EQ(s.y, 3);
    std::uint32_t sum = 0;
    for (int y = 1; y <= 3; ++y)
        for (int x = 2; x <= 5; ++x)
            sum += At(x, y);
    EXPECT_EQ(s.mean, sum / 12);
}

TEST_F(StatsFixture, PolygonUnderFlipsReadsTheShownPixels)
{
    view.flip = 3;
    Square p(2, 1, 5, 3);
    RoiStats s;
    CalcPolygonStats(Block(), &view, &p, &s);
    // Shown (2..5, 1..3) is frame (W-6..W-3, H-4..H-2).
    EXPECT_EQ(s.min, At(W - 6, H - 4));
    EXPECT_EQ(s.max, At(W - 3, H - 2));
    EXPECT_EQ(s.x, W - 3);
    EXPECT_EQ(s.y, H - 2);
}

TEST_F(StatsFixture, PolygonTwinBeyondTheFrameIsClipped)
{
    // Touching the last column: the inclusive end would be one past the frame.
    Square edge(W - 4, 0, W - 1, 2);
    RoiStats s;
    CalcPolygonStats(Block(), &view, &edge, &s);
    EXPECT_EQ(s.max, At(W - 1, 2));
    EXPECT_EQ(s.min, At(W - 4, 0));

    Square twin(W - 2, H - 2, W + 4, H + 3);
    CalcPolygonStats(Block(), &view, &twin, &s);
    EXPECT_EQ(s.max, At(W - 1, H - 1));
    EXPECT_EQ(s.min, At(W - 2, H - 2));

    Square outside(W + 1, 0, W + 5, 4);
    CalcPolygonStats(Block(), &view, &outside, &s);
    EXPECT_EQ(s.max, 0);
    EXPECT_EQ(s.min, 65535);
    EXPECT_EQ(s.mean, 0);

    // Mirrored, a polygon past the right edge has a negative box corner.
    view.flip = 1;
    Square mirrored(W - 2, 0, W + 2, 1);
    CalcPolygonStats(Block(), &view, &mirrored, &s);
    EXPECT_EQ(s.min, At(0, 0));
    EXPECT_EQ(s.max, At(1, 1));
}

TEST_F(StatsFixture, PolygonWithFewerThanThreeVerticesMeasuresNothing)
{
    PolygonShape p;
    p.m_points = {{2, 2}, {6, 6}};
    RoiStats s;
    CalcPolygonStats(Block(), &view, &p, &s);
    EXPECT_EQ(s.max, 0);
    EXPECT_EQ(s.min, 65535);
    EXPECT_EQ(s.mean, 0);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.y, 0);
    EXPECT_FALSE(HasPixels(s));
}

TEST_F(StatsFixture, EmptySampleBlockReadsNothing)
{
    RectShape r{0, 0, 4, 4};
    Square p(0, 0, 3, 3);
    for (const SampleBlock& block : {SampleBlock{raw.data(), 0, 0}, SampleBlock{nullptr, W, H}}) {
        RoiStats s;
        CalcRectStats(block, &view, &r, &s);
        EXPECT_EQ(s.max, 0);
        EXPECT_EQ(s.min, 65535);
        CalcPolygonStats(block, &view, &p, &s);
        EXPECT_EQ(s.max, 0);
        EXPECT_EQ(s.min, 65535);
    }
}

// A record whose temperature block is smaller than its image (its two info blocks disagree, as a
// damaged or foreign snapshot may): the view keeps the image's size for the flips, the samples
// are read with the block's own width and only inside it.
TEST_F(StatsFixture, SmallerTemperatureBlockIsReadWithItsOwnSize)
{
    constexpr int BW = 6;
    constexpr int BH = 3;
    std::vector<std::uint16_t> small(BW * BH);  // exactly the block: any read past it is seen by ASan
    for (int y = 0; y < BH; ++y)
        for (int x = 0; x < BW; ++x)
            small[y * BW + x] = static_cast<std::uint16_t>(1000 + 100 * y + x);
    const SampleBlock block{small.data(), BW, BH};
    struct Case {
        const char* name;
        int flip;
        RectShape rect;
        double max, min;
        int x, y;
    };
    const Case cases[] = {
        {"the whole image", 0, {0, 0, W, H}, 1205, 1000, 5, 2},
        {"across the block's right edge", 0, {4, 1, 4, 4}, 1205, 1104, 5, 2},
        {"mirrored, the whole image", 1, {0, 0, W, H}, 1205, 1000, 5, 2},
        {"flipped, shown at the bottom", 2, {0, H - 2, 3, 2}, 1102, 1000, 2, 1},
        {"beside the block", 0, {BW, 0, 3, 3}, 0, 65535, BW, 0},
        {"below the block", 0, {0, BH, 3, 3}, 0, 65535, 0, BH},
    };
    for (const Case& c : cases) {
        view.flip = c.flip;
        RoiStats s;
        CalcRectStats(block, &view, &c.rect, &s);
        EXPECT_EQ(s.max, c.max) << c.name;
        EXPECT_EQ(s.min, c.min) << c.name;
        EXPECT_EQ(s.x, c.x) << c.name;
        EXPECT_EQ(s.y, c.y) << c.name;
    }
    view.flip = 0;
    Square all(-2, -2, W + 2, H + 2);
    RoiStats s;
    CalcPolygonStats(block, &view, &all, &s);
    EXPECT_EQ(s.max, 1205);
    EXPECT_EQ(s.min, 1000);
    EXPECT_EQ(s.x, 5);
    EXPECT_EQ(s.y, 2);
}

}  // namespace
