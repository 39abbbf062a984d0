#include "view/CompareTwin.h"

#include <algorithm>

namespace {

// Half the image width, towards the other half from a region over these columns (both included).
int ShiftToOtherBoard(const RenderView& view, int first, int last)
{
    const int width = static_cast<int>(view.imageWidth);
    // The divider lies between columns width/2 - 1 and width/2, at (width - 1) / 2 in columns.
    return first + last < width - 1 ? width / 2 : -(width / 2);
}

}  // namespace

RectShape CompareTwin(const RenderView& view, const RectShape& rect)
{
    RectShape twin = rect;
    twin.x += ShiftToOtherBoard(view, rect.x, rect.x + rect.w - 1);
    return twin;
}

std::vector<POINT> CompareTwin(const RenderView& view, const std::vector<POINT>& vertices)
{
    std::vector<POINT> twin(vertices);
    if (twin.empty())
        return twin;
    const auto [left, right] =
        std::minmax_element(twin.begin(), twin.end(), [](const POINT& a, const POINT& b) { return a.x < b.x; });
    const int shift = ShiftToOtherBoard(view, left->x, right->x);
    for (POINT& p : twin)
        p.x += shift;
    return twin;
}
