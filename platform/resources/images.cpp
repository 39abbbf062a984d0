// Bitmap and icon resources as GDI objects.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi_access.h"
#include "platform/gdi/icon.h"
#include "platform/gdiplus/png_codec.h"
#include "platform/kernel/argb_pixel.h"
#include "platform/kernel/win_errors.h"
#include "platform/resources/resources.h"

namespace platform::resources {
namespace {

std::uint32_t Le(const unsigned char* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// A bitmap file (or a bare information header and its pixels) of 24 or 32 bits a pixel without
// compression, as opaque ARGB rows from the top. False for anything else or truncated data.
bool DecodeBmp(const unsigned char* data, std::size_t size, int* width, int* height, std::vector<std::uint32_t>* out)
{
    std::size_t header = 0, pixelsAt = 0;
    if (size >= 14 && data[0] == 'B' && data[1] == 'M') {
        header = 14;
        pixelsAt = Le(data + 10, 4);
    }
    if (size < header + 40)
        return false;
    const unsigned char* info = data + header;
    std::uint32_t infoSize = Le(info, 4);
    auto w = static_cast<std::int32_t>(Le(info + 4, 4));
    auto h = static_cast<std::int32_t>(Le(info + 8, 4));
    unsigned bits = Le(info + 14, 2);
    std::uint32_t compression = Le(info + 16, 4);
    if (infoSize < 40 || w <= 0 || h == 0 || h == INT32_MIN || w > 16384 || (h > 16384 || h < -16384) ||
        (bits != 24 && bits != 32) || compression != 0)
        return false;
    if (header == 0)
        pixelsAt = infoSize;
    bool bottomUp = h > 0;
    int rows = bottomUp ? h : -h;
    std::size_t stride = (static_cast<std::size_t>(w) * bits / 8 + 3) & ~std::size_t{3};
    if (pixelsAt > size || (size - pixelsAt) / stride < static_cast<std::size_t>(rows))
        return false;
    out->assign(static_cast<std::size_t>(w) * rows, 0);
    for (int y = 0; y < rows; ++y) {
        const unsigned char* row = data + pixelsAt + stride * (bottomUp ? rows - 1 - y : y);
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = row + x * (bits / 8);
            (*out)[static_cast<std::size_t>(y) * w + x] = 0xFF000000u | p[2] << 16 | p[1] << 8 | p[0];
        }
    }
    *width = w;
    *height = rows;
    return true;
}

// The image of an icon file nearest to `want` pixels (the larger on a tie), decoded; its images
// may be PNG or 32-bit bitmaps (whose mask is ignored: their alpha is the shape).
bool DecodeIco(const unsigned char* data, std::size_t size, int want, int* width, int* height,
               std::vector<std::uint32_t>* premultiplied)
{
    if (size < 6 || Le(data, 2) != 0 || Le(data + 2, 2) != 1)
        return false;
    unsigned count = Le(data + 4, 2);
    if (count == 0 || size < 6 + 16 * static_cast<std::size_t>(count))
        return false;
    int best = -1, bestSize = 0;
    for (unsigned i = 0; i < count; ++i) {
        int s = data[6 + 16 * i] == 0 ? 256 : data[6 + 16 * i];
        auto better = [&] {
            int d = std::abs(s - want), bd = std::abs(bestSize - want);
            return best < 0 || d < bd || (d == bd && s > bestSize);
        };
        if (better()) {
            best = static_cast<int>(i);
            bestSize = s;
        }
    }
    const unsigned char* entry = data + 6 + 16 * best;
    std::size_t length = Le(entry + 8, 4), offset = Le(entry + 12, 4);
    if (offset > size || length > size - offset)
        return false;
    const unsigned char* image = data + offset;
    platform::gdiplus::DecodedPng png;
    if (platform::gdiplus::DecodePng(image, length, &png) && !png.indexed) {
        premultiplied->resize(static_cast<std::size_t>(png.width) * png.height);
        for (std::size_t i = 0; i < premultiplied->size(); ++i) {
            std::uint32_t v;
            std::memcpy(&v, &png.pixels[i * 4], 4);
            (*premultiplied)[i] = platform::PremultipliedPixel(v);
        }
        *width = png.width;
        *height = png.height;
        return true;
    }
    // A bitmap image: its header counts the mask's rows too, so halve the height.
    if (length < 40 || Le(image + 14, 2) != 32)
        return false;
    std::vector<unsigned char> header(image, image + length);
    auto h = static_cast<std::int32_t>(Le(image + 8, 4)) / 2;
    for (int k = 0; k < 4; ++k)
        header[8 + k] = static_cast<unsigned char>(static_cast<std::uint32_t>(h) >> (8 * k));
    std::vector<std::uint32_t> opaque;
    if (!DecodeBmp(header.data(), header.size(), width, height, &opaque))
        return false;
    // DecodeBmp made the pixels opaque; take their alpha from the bitmap again.
    std::size_t stride = static_cast<std::size_t>(*width) * 4;
    premultiplied->resize(opaque.size());
    for (int y = 0; y < *height; ++y)
        for (int x = 0; x < *width; ++x) {
            std::uint32_t a = image[40 + stride * (*height - 1 - y) + x * 4 + 3];
            std::uint32_t v = (opaque[static_cast<std::size_t>(y) * *width + x] & 0xFFFFFFu) | a << 24;
            (*premultiplied)[static_cast<std::size_t>(y) * *width + x] = platform::PremultipliedPixel(v);
        }
    return true;
}

}  // namespace

HICON LoadIconResource(LPCSTR name, int size)
{
    ResourceBytes bytes = FindResourceBytes(name, RT_GROUP_ICON);
    if (bytes.data == nullptr)
        return nullptr;
    int w = 0, h = 0;
    std::vector<std::uint32_t> pixels;
    if (!DecodeIco(bytes.data, bytes.size, size, &w, &h, &pixels)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return platform::gdi::CreateIconFromPixels(w, h, pixels.data(), w * 4);
}

}  // namespace platform::resources

HBITMAP LoadBitmap(HINSTANCE, LPCSTR name)
{
    platform::resources::ResourceBytes bytes = platform::resources::FindResourceBytes(name, RT_BITMAP);
    if (bytes.data == nullptr)
        return nullptr;
    int w = 0, h = 0;
    std::vector<std::uint32_t> pixels;
    if (!platform::resources::DecodeBmp(bytes.data, bytes.size, &w, &h, &pixels)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return platform::gdi::CreateBitmapFromPixels(w, h, pixels.data(), w * 4);
}
