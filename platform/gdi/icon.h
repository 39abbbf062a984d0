// An icon: its pixels, made by whoever loads icons (the resources) and drawn by DrawIcon and
// DrawState.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/kernel/win_types.h"

struct HICON__ {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // premultiplied ARGB (cairo's ARGB32), rows top to bottom
};

namespace platform::gdi {

// A new icon of width x height premultiplied ARGB pixels, `stride` bytes a row; NULL for an empty
// size or no pixels. DestroyIcon frees it.
HICON CreateIconFromPixels(int width, int height, const std::uint32_t* pixels, int stride);

}  // namespace platform::gdi
