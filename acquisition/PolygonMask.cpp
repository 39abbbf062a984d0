#include "acquisition/PolygonMask.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Crossings an edge contributes: one per row it spans, none when horizontal.
std::uint32_t EdgeCrossings(const POINT& a, const POINT& b)
{
    if (a.y == b.y)
        return 0;
    return static_cast<std::uint32_t>(std::llabs(static_cast<long long>(b.y) - a.y)) + 1;
}

}  // namespace

void PolygonMask::WalkEdge(POINT* out, int x0, int y0, int x1, int y1)
{
    if (y0 == y1)
        return;
    const long long dx = std::llabs(static_cast<long long>(x1) - x0);
    const long long dy = std::llabs(static_cast<long long>(y1) - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    const bool down = y1 > y0;
    long long err = dx - dy;
    const long long steps = std::max(dx, dy);

    long long x = x0;
    long long y = y0;
    long long rowX = x;  // the kept x of the row being walked
    std::size_t written = 0;
    for (long long i = 0; i < steps; ++i) {
        const long long e2 = 2 * err;
        if (e2 >= -dy) {
            x += sx;
            err -= dy;
        }
        const long long rowY = y;
        if (e2 <= dx) {
            y += sy;
            err += dx;
        }
        if (y != rowY) {
            out[written++] = POINT{static_cast<LONG>(rowX), static_cast<LONG>(rowY)};
            rowX = x;
        } else {
            rowX = down ? std::max(rowX, x) : std::min(rowX, x);
        }
    }
    out[written] = POINT{static_cast<LONG>(rowX), static_cast<LONG>(y)};
}

void PolygonMask::Free(PolygonMask* mask)
{
    if (!mask)
        return;
    delete[] mask->m_pSpans;
    delete[] mask->m_pRows;
    mask->m_pSpans = nullptr;
    mask->m_pRows = nullptr;
    mask->m_nSpanCount = 0;
    mask->m_nLeft = mask->m_nTop = mask->m_nWidth = mask->m_nHeight = 0;
}

void PolygonMask::Reset(PolygonMask* mask, std::uint32_t left, std::uint32_t top, std::uint32_t width,
                        std::uint32_t height)
{
    Free(mask);
    mask->m_nLeft = left;
    mask->m_nTop = top;
    mask->m_nWidth = width;
    mask->m_nHeight = height;
    mask->m_pRows = new PolygonRow[height]();
}

void PolygonMask::BuildSpans(const POINT* v, std::uint32_t n, PolygonMask* mask)
{
    if (!mask)
        return;
    if (!v || n == 0) {
        Free(mask);
        return;
    }
    LONG minX = v[0].x, maxX = v[0].x, minY = v[0].y, maxY = v[0].y;
    for (std::uint32_t i = 1; i < n; ++i) {
        minX = std::min(minX, v[i].x);
        maxX = std::max(maxX, v[i].x);
        minY = std::min(minY, v[i].y);
        maxY = std::max(maxY, v[i].y);
    }
    // Spans hold 16-bit offsets: a polygon wider or taller than that is not masked.
    if (static_cast<long long>(maxX) - minX > 65535 || static_cast<long long>(maxY) - minY > 65535) {
        Free(mask);
        return;
    }
    std::vector<POINT> rel(n);
    for (std::uint32_t i = 0; i < n; ++i)
        rel[i] = POINT{v[i].x - minX, v[i].y - minY};

    // Each edge writes its crossings into its own slice, in edge order.
    std::vector<std::size_t> sliceStart(n + 1, 0);
    for (std::uint32_t i = 0; i < n; ++i)
        sliceStart[i + 1] = sliceStart[i] + EdgeCrossings(rel[i], rel[(i + 1) % n]);
    std::size_t total = sliceStart[n];
    std::vector<POINT> points(total);
    for (std::uint32_t i = 0; i < n; ++i) {
        const POINT& a = rel[i];
        const POINT& b = rel[(i + 1) % n];
        PolygonMask::WalkEdge(points.data() + sliceStart[i], a.x, a.y, b.x, b.y);
    }

    const std::uint32_t rows = static_cast<std::uint32_t>(maxY - minY) + 1;
    std::vector<std::size_t> rowStart(rows + 1, 0);
    for (const POINT& p : points)
        ++rowStart[p.y + 1];
    for (std::uint32_t r = 0; r < rows; ++r)
        rowStart[r + 1] += rowStart[r];
    std::vector<LONG> xs(total);
    std::vector<std::size_t> rowFill(rows, 0);
    auto insert = [&](const POINT& p) { xs[rowStart[p.y] + rowFill[p.y]++] = p.x; };

    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t in = (i + n - 1) % n;  // edge from the predecessor into vertex i
        const std::uint32_t out = i;
        const POINT& prev = rel[in];
        const POINT& cur = rel[i];
        const POINT& next = rel[(i + 1) % n];
        const std::size_t inCount = sliceStart[in + 1] - sliceStart[in];
        if (inCount == 0)
            continue;
        POINT* inPts = points.data() + sliceStart[in];
        const long long d = (static_cast<long long>(cur.y) - prev.y) * (static_cast<long long>(next.y) - cur.y);
        std::size_t keep = inCount;
        if (d > 0) {
            // The outline passes straight through the vertex row: one crossing there, not two.
            keep = inCount - 1;
            --total;
            POINT& first = points[sliceStart[out]];
            const LONG lastX = inPts[inCount - 1].x;
            if (first.x != lastX) {
                const bool up = cur.y < prev.y;
                first.x = up ? std::min(first.x, lastX) : std::max(first.x, lastX);
            }
        }
        for (std::size_t k = 0; k < keep; ++k)
            insert(inPts[k]);
    }

    PolygonMask::Reset(mask, static_cast<std::uint32_t>(minX), static_cast<std::uint32_t>(minY),
                       static_cast<std::uint32_t>(maxX - minX) + 1, rows);
    mask->m_nSpanCount = static_cast<std::uint32_t>(total / 2);
    mask->m_pSpans = new PolygonSpan[mask->m_nSpanCount]();
    PolygonSpan* next = mask->m_pSpans;
    for (std::uint32_t r = 0; r < rows; ++r) {
        LONG* begin = xs.data() + rowStart[r];
        LONG* end = begin + rowFill[r];
        std::sort(begin, end);
        const std::uint32_t pairs = static_cast<std::uint32_t>(rowFill[r] / 2);
        mask->m_pRows[r].spans = next;
        mask->m_pRows[r].count = pairs;
        for (std::uint32_t k = 0; k < pairs; ++k)
            *next++ = PolygonSpan{static_cast<std::uint16_t>(begin[2 * k]), static_cast<std::uint16_t>(begin[2 * k + 1])};
    }
}
