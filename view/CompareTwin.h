// The Compare mode's twin of a region: the same region on the other board. The boards are the
// image's halves as shown, either side of the divider at half the view's image width; a region
// belongs to the half that holds the middle of its columns, and its twin lies half the width over
// in the other half. A mirror swaps the halves together with the regions on them, so under any
// flip or mirror the twin is measured on the other board of the frame, never beside it.
#pragma once

#include <vector>

#include "acquisition/RectShape.h"
#include "platform/kernel/win_types.h"
#include "view/RenderView.h"

RectShape CompareTwin(const RenderView& view, const RectShape& rect);
// Of a polygon's vertices.
std::vector<POINT> CompareTwin(const RenderView& view, const std::vector<POINT>& vertices);
