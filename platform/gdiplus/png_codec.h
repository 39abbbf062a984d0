// PNG decoding for images and icons.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::gdiplus {

struct DecodedPng {
    int width = 0;
    int height = 0;
    // Palette images: one index a pixel and the palette as ARGB words (not premultiplied).
    // Others: 4 bytes a pixel in the order B, G, R, A (not premultiplied).
    bool indexed = false;
    std::vector<std::uint8_t> pixels;  // rows of width (indexed) or width * 4 bytes, no padding
    std::vector<std::uint32_t> palette;
};

// False for data that is not a complete PNG image.
bool DecodePng(const void* data, std::size_t size, DecodedPng* out);

}  // namespace platform::gdiplus
