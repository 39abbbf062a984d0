// Region measurements on a frame's raw samples: maximum, minimum and mean of a rectangle or a
// polygon given in display coordinates, with the frame position of its first hottest pixel.
//
// Only samples inside the view's image (W x H, the frame's size) are read: a region, or the
// Compare twin of one, that reaches beyond the frame is measured on its part inside the frame.
// A region with no pixel inside gives max 0, min 65535, mean 0 and the position of its origin.
#pragma once

#include <cstdint>

#include "acquisition/RectShape.h"
#include "view/PolygonShape.h"
#include "view/RenderView.h"

struct RoiStats {
    double max = 0;
    double min = 0;
    double mean = 0;
    int x = 0;
    int y = 0;
};

void CalcRectStats(const std::uint16_t* raw, const RenderView* view, const RectShape* rect, RoiStats* out);
void CalcPolygonStats(const std::uint16_t* raw, const RenderView* view, const PolygonShape* poly, RoiStats* out);
