#include "view/RegionStats.h"

#include <algorithm>
#include <vector>

namespace {

// Running maximum (first in scan order), minimum, sum and count.
struct Accumulator {
    std::uint32_t max = 0;
    std::uint32_t min = 65535;
    std::uint32_t sum = 0;
    std::uint32_t count = 0;
    int maxX = 0;
    int maxY = 0;

    void Add(std::uint16_t v, int x, int y)
    {
        sum += v;
        ++count;
        if (v < min)
            min = v;
        if (v > max) {
            max = v;
            maxX = x;
            maxY = y;
        }
    }

    void Store(RoiStats* out, int originX, int originY) const
    {
        out->max = max;
        out->min = min;
        out->mean = count ? static_cast<double>(sum / count) : 0.0;
        out->x = originX + maxX;
        out->y = originY + maxY;
        out->pixels = static_cast<int>(count);
    }
};

}  // namespace

void CalcRectStats(const SampleBlock& raw, const RenderView* view, const RectShape* rect, RoiStats* out)
{
    const int wImg = static_cast<int>(view->imageWidth);
    const int hImg = static_cast<int>(view->imageHeight);
    const int x0 = (view->flip & 1) ? wImg - rect->w - rect->x : rect->x;
    const int y0 = (view->flip & 2) ? hImg - rect->h - rect->y : rect->y;
    // The part of the rectangle inside the block, relative to its origin.
    const int c0 = std::max(0, -x0);
    const int c1 = std::min(rect->w, raw.width - x0);
    const int r0 = std::max(0, -y0);
    const int r1 = std::min(rect->h, raw.rows - y0);
    Accumulator acc;
    if (raw.samples) {
        for (int r = r0; r < r1; ++r) {
            const std::uint16_t* row = raw.samples + static_cast<std::size_t>(y0 + r) * raw.width + x0;
            for (int c = c0; c < c1; ++c)
                acc.Add(row[c], c, r);
        }
    }
    acc.Store(out, x0, y0);
}

void CalcPolygonStats(const SampleBlock& raw, const RenderView* view, const PolygonShape* poly, RoiStats* out)
{
    std::vector<POINT> frame(poly->m_points);
    for (POINT& p : frame)
        p = view->FlipPoint(p);
    PolygonMask mask;
    if (frame.size() >= 3)
        PolygonMask::BuildSpans(frame.data(), static_cast<std::uint32_t>(frame.size()), &mask);
    // The box corner is kept unsigned; a polygon past the left or top edge has a negative one.
    const int bx = static_cast<std::int32_t>(mask.m_nLeft);
    const int by = static_cast<std::int32_t>(mask.m_nTop);
    const int boxWidth = static_cast<int>(mask.m_nWidth);
    Accumulator acc;
    for (std::uint32_t r = 0; raw.samples && r < mask.m_nHeight; ++r) {
        const int y = by + static_cast<int>(r);
        if (y < 0 || y >= raw.rows)
            continue;
        const PolygonRow& row = mask.m_pRows[r];
        for (std::uint32_t k = 0; k < row.count; ++k) {
            const int start = static_cast<std::int16_t>(row.spans[k].start);
            if (start < 0 || start > boxWidth)
                continue;
            int end = static_cast<std::int16_t>(row.spans[k].end);
            if (end < 0 || end > boxWidth)
                end = boxWidth;
            // The span's end column is measured too; columns outside the block are not read.
            const int first = std::max(start, -bx);
            const int last = std::min(end, raw.width - 1 - bx);
            const std::uint16_t* line = raw.samples + static_cast<std::size_t>(y) * raw.width + bx;
            for (int x = first; x <= last; ++x)
                acc.Add(line[x], x, static_cast<int>(r));
        }
    }
    acc.Store(out, bx, by);
}
