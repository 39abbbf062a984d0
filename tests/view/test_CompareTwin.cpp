// The Compare twin of a region: half the image over, on the other side of the divider from the
// middle of the region's columns, so that it follows the region through a mirror and stays on the
// frame with it.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "view/CompareTwin.h"
#include "view/RegionStats.h"

namespace {

constexpr int W = 256;
constexpr int H = 192;

struct CompareTwinTest : ::testing::Test {
    RenderView view;
    void SetUp() override
    {
        view.imageWidth = W;
        view.imageHeight = H;
    }
    static RectShape Mirrored(RectShape r) { return RectShape{W - r.w - r.x, r.y, r.w, r.h}; }
    // The twin's vertices as (x, y) pairs.
    std::vector<std::pair<LONG, LONG>> Twin(const std::vector<POINT>& vertices) const
    {
        std::vector<std::pair<LONG, LONG>> twin;
        for (POINT p : CompareTwin(view, vertices))
            twin.emplace_back(p.x, p.y);
        return twin;
    }
};

TEST_F(CompareTwinTest, GoesToTheOtherHalfFromTheMiddleOfTheColumns)
{
    struct Case {
        RectShape rect;
        int twinX;
    };
    const Case cases[] = {
        {{10, 5, 40, 30}, 138},    // left half
        {{170, 5, 40, 30}, 42},    // right half
        {{100, 5, 55, 30}, 228},   // across the divider, its middle on the left
        {{110, 5, 60, 30}, -18},   // across the divider, its middle on the right
        {{127, 5, 1, 30}, 255},    // the last column of the left half
        {{128, 5, 1, 30}, 0},      // the first of the right half
    };
    for (const Case& c : cases) {
        const RectShape twin = CompareTwin(view, c.rect);
        EXPECT_EQ(twin.x, c.twinX) << c.rect.x << "+" << c.rect.w;
        EXPECT_EQ(twin.y, c.rect.y);
        EXPECT_EQ(twin.w, c.rect.w);
        EXPECT_EQ(twin.h, c.rect.h);
    }
    using Vertices = std::vector<std::pair<LONG, LONG>>;
    EXPECT_EQ(Twin({{200, 10}, {240, 10}, {150, 60}}), (Vertices{{72, 10}, {112, 10}, {22, 60}}));
    EXPECT_EQ(Twin({{20, 10}, {60, 10}, {130, 60}}), (Vertices{{148, 10}, {188, 10}, {258, 60}}));
    EXPECT_TRUE(Twin({}).empty());
}

TEST_F(CompareTwinTest, FollowsItsRegionThroughAMirror)
{
    for (int w : {1, 7, 40, 127}) {
        for (int x = -w + 1; x < W; ++x) {
            const RectShape r{x, 5, w, 9};
            if (2 * x + w == W)
                continue;  // centred on the divider: on neither board
            const RectShape a = Mirrored(CompareTwin(view, r));
            const RectShape b = CompareTwin(view, Mirrored(r));
            ASSERT_EQ(a.x, b.x) << x << "+" << w;
        }
    }
}

TEST_F(CompareTwinTest, OfARegionOnTheFrameIsOnTheFrameUnderAnyFlip)
{
    std::vector<std::uint16_t> raw(W * H, 1000);
    const SampleBlock block{raw.data(), W, H};
    for (int flip = 0; flip < 4; ++flip) {
        view.flip = flip;
        for (int w : {1, 7, 40, 200}) {
            for (int x = -w + 1; x < W; ++x) {
                const RectShape twin = CompareTwin(view, RectShape{x, 5, w, 9});
                RoiStats s;
                CalcRectStats(block, &view, &twin, &s);
                ASSERT_TRUE(HasPixels(s)) << "flip " << flip << ", " << x << "+" << w;
            }
        }
    }
}

}  // namespace
