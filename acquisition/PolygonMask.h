// Scan-line span mask of a polygon: for every row of the bounding box, the half-open x ranges
// that lie inside. Polygon statistics walk the spans; the shape editor hit-tests against them.
#pragma once

#include <cstdint>

#include "platform/kernel/win_types.h"

// One inside range of a row, start <= x < end, relative to the mask's left edge.
struct PolygonSpan {
    std::uint16_t start;
    std::uint16_t end;
};

// A row's spans: its first span in the span buffer and how many there are.
struct PolygonRow {
    PolygonSpan* spans;
    std::uint32_t count;
};

class PolygonMask {
public:
    PolygonMask() = default;
    ~PolygonMask() { Free(this); }
    // The row table points into the span buffer, so a mask is never copied.
    PolygonMask(const PolygonMask&) = delete;
    PolygonMask& operator=(const PolygonMask&) = delete;

    // Rebuilds the mask from the closed polygon through the vertices (the last joins the first).
    // No vertices, or a box wider or taller than 65536 pixels, leave the mask empty.
    static void BuildSpans(const POINT* vertices, std::uint32_t count, PolygonMask* mask);
    // Writes the edge's crossing points, one per row from y0 to y1 (nothing for a horizontal
    // edge): the right-most visited pixel of each row when walking down, the left-most when up.
    static void WalkEdge(POINT* out, int x0, int y0, int x1, int y1);
    // Free, then sets the box and allocates a zeroed row table of height entries.
    static void Reset(PolygonMask* mask, std::uint32_t left, std::uint32_t top, std::uint32_t width,
                      std::uint32_t height);
    static void Free(PolygonMask* mask);

    PolygonSpan* m_pSpans = nullptr;
    PolygonRow* m_pRows = nullptr;
    std::uint32_t m_nSpanCount = 0;
    std::uint32_t m_nLeft = 0;
    std::uint32_t m_nTop = 0;
    std::uint32_t m_nWidth = 0;
    std::uint32_t m_nHeight = 0;
};
