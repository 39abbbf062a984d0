// A measurement rectangle in image pixels: (x, y) the corner where the drag started, w and h the
// signed extents to the opposite corner. The colouring reads it, the view owns and edits it.
#pragma once

#include <vector>

struct RectShape {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

// A view's rectangles, in creation order.
using RectShapeList = std::vector<RectShape*>;
