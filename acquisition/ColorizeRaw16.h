// Colouring of a frame record's temperature half into its 24-bit colour image (rgb_buf) with the
// colour map as it stands, flipped and mirrored by the application's flip/mirror flags.
#pragma once

#include <cstdint>

#include "acquisition/IrFrame.h"
#include "acquisition/RectShape.h"
#include "acquisition/ZelColorMap.h"

// Colour mode 0: palette colours everywhere, or, with rectangles, grey outside them and palette
// colours inside. Any other mode (the hot window): palette colours strictly inside the display
// range, grey elsewhere. The last argument is not used. A record whose buffers do not match its
// info blocks is left alone.
void ColorizeRaw16(IrFrame* frame, ZelColorMap* colorMap, std::uint32_t colorMode, const RectShapeList* rects,
                   std::uint32_t unused);
