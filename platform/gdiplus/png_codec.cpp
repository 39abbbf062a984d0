#include "platform/gdiplus/png_codec.h"

#include <png.h>

namespace platform::gdiplus {

bool DecodePng(const void* data, std::size_t size, DecodedPng* out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (data == nullptr || !png_image_begin_read_from_memory(&image, data, size))
        return false;
    // Keep a palette image as indices, as GDI+ gives it; everything else as straight BGRA.
    bool indexed = (image.format & PNG_FORMAT_FLAG_COLORMAP) != 0 && image.colormap_entries <= 256;
    image.format = indexed ? PNG_FORMAT_BGRA_COLORMAP : PNG_FORMAT_BGRA;
    DecodedPng result;
    result.width = static_cast<int>(image.width);
    result.height = static_cast<int>(image.height);
    result.indexed = indexed;
    try {
        result.pixels.resize(PNG_IMAGE_SIZE(image));
        std::vector<std::uint8_t> colormap(indexed ? PNG_IMAGE_COLORMAP_SIZE(image) : 0);
        if (!png_image_finish_read(&image, nullptr, result.pixels.data(), 0, indexed ? colormap.data() : nullptr)) {
            png_image_free(&image);
            return false;
        }
        for (std::size_t i = 0; indexed && i < image.colormap_entries; ++i) {
            const std::uint8_t* e = &colormap[i * 4];
            result.palette.push_back(static_cast<std::uint32_t>(e[3]) << 24 | static_cast<std::uint32_t>(e[2]) << 16 |
                                     static_cast<std::uint32_t>(e[1]) << 8 | e[0]);
        }
    } catch (...) {
        png_image_free(&image);
        return false;
    }
    *out = std::move(result);
    return true;
}

}  // namespace platform::gdiplus
