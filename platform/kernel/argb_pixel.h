// 32-bit ARGB pixels, one native-endian word with alpha in the top byte, either straight or
// premultiplied by their alpha (the layout of cairo's CAIRO_FORMAT_ARGB32). Bitmaps, images and
// window surfaces all convert between the two with these.
#pragma once

#include <algorithm>
#include <cstdint>

namespace platform {

// A straight pixel premultiplied by its alpha, rounded.
inline std::uint32_t PremultipliedPixel(std::uint32_t argb)
{
    const std::uint32_t a = argb >> 24;
    if (a == 255) return argb;
    auto mul = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    return a << 24 | mul((argb >> 16) & 0xFF) << 16 | mul((argb >> 8) & 0xFF) << 8 | mul(argb & 0xFF);
}

// A premultiplied pixel as straight ARGB, rounded.
inline std::uint32_t StraightPixel(std::uint32_t pixel)
{
    const std::uint32_t a = pixel >> 24;
    if (a == 255) return pixel;
    if (a == 0) return 0;
    auto div = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
    return a << 24 | div((pixel >> 16) & 0xFF) << 16 | div((pixel >> 8) & 0xFF) << 8 | div(pixel & 0xFF);
}

}  // namespace platform
