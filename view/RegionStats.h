// Region measurements on a frame's raw samples: maximum, minimum and mean of a rectangle or a
// polygon given in display coordinates, with the frame position of its first hottest pixel.
//
// Display and frame coordinates differ by the view's flip flags over the view's image size; the
// samples are read from their own block, and only inside it: a region, or the Compare twin of
// one, that reaches beyond the block is measured on its part inside (a record whose temperature
// block is smaller than its image is measured where it has samples). A region with no pixel
// inside gives max 0, min 65535, mean 0, no pixels and the position of its origin.
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
    int pixels = 0;  // how many samples were measured
};

// Raw samples: rows of width samples, one after another.
struct SampleBlock {
    const std::uint16_t* samples = nullptr;
    int width = 0;
    int rows = 0;
};

// False for the statistics of a region with no pixel inside the samples.
inline bool HasPixels(const RoiStats& s)
{
    return s.pixels > 0;
}

void CalcRectStats(const SampleBlock& raw, const RenderView* view, const RectShape* rect, RoiStats* out);
void CalcPolygonStats(const SampleBlock& raw, const RenderView* view, const PolygonShape* poly, RoiStats* out);
