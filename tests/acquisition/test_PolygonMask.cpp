#include "acquisition/PolygonMask.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Spans = std::vector<std::pair<int, int>>;

// The spans of every mask row, in row order.
std::vector<Spans> RowsOf(const PolygonMask& mask)
{
    std::vector<Spans> rows;
    for (std::uint32_t r = 0; r < mask.m_nHeight; ++r) {
        Spans row;
        for (std::uint32_t k = 0; k < mask.m_pRows[r].count; ++k)
            row.emplace_back(mask.m_pRows[r].spans[k].start, mask.m_pRows[r].spans[k].end);
        rows.push_back(row);
    }
    return rows;
}

std::vector<Spans> Build(std::vector<POINT> pts)
{
    PolygonMask mask;
    PolygonMask::BuildSpans(pts.data(), static_cast<std::uint32_t>(pts.size()), &mask);
    return RowsOf(mask);
}

std::vector<POINT> Walk(int x0, int y0, int x1, int y1)
{
    std::vector<POINT> out(static_cast<std::size_t>(std::abs(y1 - y0)) + 1, POINT{-99, -99});
    PolygonMask::WalkEdge(out.data(), x0, y0, x1, y1);
    return out;
}

// Every pixel the line walk visits, collected row by row, as an independent oracle.
std::map<int, std::vector<int>> Visited(int x0, int y0, int x1, int y1)
{
    std::map<int, std::vector<int>> rows;
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx - dy, x = x0, y = y0;
    rows[y].push_back(x);
    for (int i = 0; i < std::max(dx, dy); ++i) {
        const int e2 = 2 * err;
        if (e2 >= -dy) { x += sx; err -= dy; }
        if (e2 <= dx) { y += sy; err += dx; }
        rows[y].push_back(x);
    }
    return rows;
}

}  // namespace

TEST(PolygonMask, RectangleHasOneSpanInEveryRow)
{
    PolygonMask mask;
    std::vector<POINT> pts{{0, 0}, {10, 0}, {10, 5}, {0, 5}};
    PolygonMask::BuildSpans(pts.data(), 4, &mask);
    EXPECT_EQ(mask.m_nLeft, 0u);
    EXPECT_EQ(mask.m_nTop, 0u);
    EXPECT_EQ(mask.m_nWidth, 11u);
    EXPECT_EQ(mask.m_nHeight, 6u);
    EXPECT_EQ(mask.m_nSpanCount, 6u);
    for (const Spans& row : RowsOf(mask))
        EXPECT_EQ(row, (Spans{{0, 10}}));
}

TEST(PolygonMask, BoxAndSpansAreRelativeToTheTopLeftVertex)
{
    PolygonMask mask;
    std::vector<POINT> pts{{20, 30}, {25, 30}, {25, 32}, {20, 32}};
    PolygonMask::BuildSpans(pts.data(), 4, &mask);
    EXPECT_EQ(mask.m_nLeft, 20u);
    EXPECT_EQ(mask.m_nTop, 30u);
    EXPECT_EQ(mask.m_nWidth, 6u);
    EXPECT_EQ(mask.m_nHeight, 3u);
    EXPECT_EQ(RowsOf(mask), (std::vector<Spans>{{{0, 5}}, {{0, 5}}, {{0, 5}}}));
}

TEST(PolygonMask, ApexRowGetsAnEmptySpan)
{
    const auto rows = Build({{5, 0}, {10, 5}, {0, 5}});
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], (Spans{{5, 5}}));
    for (std::size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 1u) << "row " << r;
        EXPECT_LT(rows[r][0].first, rows[r][0].second) << "row " << r;
    }
}

TEST(PolygonMask, PolygonInOneRowHasNoSpans)
{
    PolygonMask mask;
    std::vector<POINT> pts{{0, 3}, {5, 3}, {9, 3}};
    PolygonMask::BuildSpans(pts.data(), 3, &mask);
    EXPECT_EQ(mask.m_nHeight, 1u);
    EXPECT_EQ(mask.m_nWidth, 10u);
    EXPECT_EQ(mask.m_nSpanCount, 0u);
    EXPECT_EQ(mask.m_pRows[0].count, 0u);
}

TEST(PolygonMask, OrientationChangesSlantedEdges)
{
    // The slanted edge walked downward keeps its right-most pixels, walked upward its left-most.
    EXPECT_EQ(Build({{0, 0}, {4, 1}, {0, 1}}), (std::vector<Spans>{{{0, 1}}, {{0, 4}}}));
    EXPECT_EQ(Build({{0, 0}, {0, 1}, {4, 1}}), (std::vector<Spans>{{{0, 0}}, {{0, 3}}}));
}

TEST(PolygonMask, VertexPassedThroughGivesOneCrossing)
{
    const std::vector<Spans> full(5, Spans{{0, 4}});
    EXPECT_EQ(Build({{0, 0}, {4, 0}, {4, 2}, {4, 4}, {0, 4}}), full);
    EXPECT_EQ(Build({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 2}}), full);
}

TEST(PolygonMask, RebuildReplacesAndFreeEmpties)
{
    PolygonMask mask;
    std::vector<POINT> big{{0, 0}, {50, 0}, {50, 40}, {0, 40}};
    std::vector<POINT> small{{1, 1}, {3, 1}, {3, 2}};
    PolygonMask::BuildSpans(big.data(), 4, &mask);
    PolygonMask::BuildSpans(small.data(), 3, &mask);
    EXPECT_EQ(mask.m_nHeight, 2u);
    EXPECT_EQ(mask.m_nLeft, 1u);
    PolygonMask::Free(&mask);
    EXPECT_EQ(mask.m_pRows, nullptr);
    EXPECT_EQ(mask.m_pSpans, nullptr);
    EXPECT_EQ(mask.m_nSpanCount + mask.m_nWidth + mask.m_nHeight + mask.m_nLeft + mask.m_nTop, 0u);
    PolygonMask::BuildSpans(nullptr, 0, &mask);
    EXPECT_EQ(mask.m_pRows, nullptr);
}

TEST(PolygonMask, ResetAllocatesZeroedRows)
{
    PolygonMask mask;
    PolygonMask::Reset(&mask, 3, 4, 5, 6);
    EXPECT_EQ(mask.m_nLeft, 3u);
    EXPECT_EQ(mask.m_nTop, 4u);
    EXPECT_EQ(mask.m_nWidth, 5u);
    EXPECT_EQ(mask.m_nHeight, 6u);
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(mask.m_pRows[r].count, 0u);
        EXPECT_EQ(mask.m_pRows[r].spans, nullptr);
    }
}

TEST(PolygonMask, WalkEdgeWritesNothingForAHorizontalEdge)
{
    POINT out{-7, -7};
    PolygonMask::WalkEdge(&out, 0, 3, 9, 3);
    EXPECT_EQ(out.x, -7);
    EXPECT_EQ(out.y, -7);
}

TEST(PolygonMask, WalkEdgeKnownShallowEdges)
{
    const auto down = Walk(0, 0, 4, 1);
    EXPECT_EQ(down[0].x, 1);
    EXPECT_EQ(down[1].x, 4);
    const auto up = Walk(4, 1, 0, 0);
    EXPECT_EQ(up[0].x, 3);
    EXPECT_EQ(up[0].y, 1);
    EXPECT_EQ(up[1].x, 0);
    EXPECT_EQ(up[1].y, 0);
}

TEST(PolygonMask, WalkEdgeOnePointPerRowExtremeOfVisitedPixels)
{
    const int ends[][4] = {{0, 0, 3, 9},  {0, 0, 9, 3},   {9, 0, 0, 3},  {0, 3, 9, 0}, {9, 3, 0, 0},
                           {0, 9, 3, 0},  {5, 5, -7, 8},  {2, -4, 2, 6}, {0, 0, 7, 7}, {7, 7, 0, 0},
                           {-3, 0, 17, 4}, {17, 4, -3, 0}, {0, 0, 1, 1}, {1, 0, 0, 1}};
    for (const auto& e : ends) {
        SCOPED_TRACE(testing::Message() << e[0] << "," << e[1] << " -> " << e[2] << "," << e[3]);
        const auto pts = Walk(e[0], e[1], e[2], e[3]);
        const auto visited = Visited(e[0], e[1], e[2], e[3]);
        const bool down = e[3] > e[1];
        const int sy = down ? 1 : -1;
        ASSERT_EQ(pts.size(), visited.size());
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const int row = e[1] + static_cast<int>(i) * sy;
            EXPECT_EQ(pts[i].y, row);
            const auto& xs = visited.at(row);
            EXPECT_EQ(pts[i].x, down ? *std::max_element(xs.begin(), xs.end()) : *std::min_element(xs.begin(), xs.end()));
        }
        EXPECT_EQ(pts.back().y, e[3]);
    }
}

TEST(PolygonMask, HugePolygonLeavesTheMaskEmpty)
{
    PolygonMask mask;
    std::vector<POINT> small{{0, 0}, {4, 0}, {4, 4}};
    PolygonMask::BuildSpans(small.data(), 3, &mask);
    std::vector<POINT> huge{{0, 0}, {10, -2000000000}, {20, 2000000000}};
    PolygonMask::BuildSpans(huge.data(), 3, &mask);
    EXPECT_EQ(mask.m_pRows, nullptr);
    EXPECT_EQ(mask.m_nHeight, 0u);
}
