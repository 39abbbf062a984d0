// A measurement polygon in image pixels with the span mask of its outline (statistics and hit
// tests read the mask). The mask follows the vertices once there are at least three.
#pragma once

#include <vector>

#include "acquisition/PolygonMask.h"
#include "platform/kernel/win_types.h"

class PolygonShape {
public:
    PolygonShape() = default;
    PolygonShape(const PolygonShape&) = delete;
    PolygonShape& operator=(const PolygonShape&) = delete;

    // Rebuilds the mask from the vertices; with fewer than three the last mask stays.
    void UpdateMask();
    // Moves every vertex by (dx, dy) and rebuilds the mask.
    void Offset(int dx, int dy);

    std::vector<POINT> m_points;
    PolygonMask m_mask;
};

using PolygonShapeList = std::vector<PolygonShape*>;
