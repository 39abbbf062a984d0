// Pixels inverted together: gathered into a mask of a bit a pixel (small enough to stay in the
// processor's cache), then drawn as images, one for each band of rows with pixels set, whose
// fragments pass the alpha test only where the mask is set, under an inverting logic operation.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/wgl/wgl.h"
#include "platform/wgl/wgl_detail.h"

using platform::wgl::PixelInversion;

namespace {

// The image bytes of the eight pixels of a mask byte, the leftmost pixel in the lowest byte.
static_assert(std::endian::native == std::endian::little);
constexpr std::array<std::uint64_t, 256> kSpread = [] {
    std::array<std::uint64_t, 256> spread{};
    for (unsigned byte = 0; byte < 256; ++byte)
        for (unsigned i = 0; i < 8; ++i)
            if (byte & (0x80u >> i)) spread[byte] |= std::uint64_t{0xFF} << (8 * i);
    return spread;
}();

bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

RECT Union(const RECT& a, const RECT& b)
{
    if (IsEmpty(a)) return b;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

}  // namespace

bool PixelInversion::Applies()
{
    GLint mode = 0;
    glGetIntegerv(GL_LOGIC_OP_MODE, &mode);
    return glIsEnabled(GL_COLOR_LOGIC_OP) && mode == GL_INVERT && !glIsEnabled(GL_ALPHA_TEST) && !glIsEnabled(GL_DEPTH_TEST) &&
           !glIsEnabled(GL_STENCIL_TEST);
}

void PixelInversion::Add(int left, int bottom, int width, int height, int rowBytes, const std::uint8_t* bits)
{
    if (IsEmpty(m_gathered)) {
        // A fresh gathering, for the framebuffer as it is now; the mask is all 0 between gatherings.
        int framebufferWidth = 0, framebufferHeight = 0;
        if (!detail::CurrentFramebufferSize(&framebufferWidth, &framebufferHeight)) return;
        if (framebufferWidth != m_width || framebufferHeight != m_height) {
            m_width = framebufferWidth;
            m_height = framebufferHeight;
            m_maskRowBytes = (m_width + 7) / 8 + 1;  // a byte to spare for a bitmap byte split in two
            m_mask.assign(static_cast<std::size_t>(m_maskRowBytes) * m_height, 0);
        }
    }
    // The part of the bitmap inside the framebuffer (top and bottom here count upwards).
    const RECT inside{std::max(left, 0), std::max(bottom, 0), std::min(left + width, m_width),
                      std::min(bottom + height, m_height)};
    if (IsEmpty(inside)) return;
    m_gathered = Union(m_gathered, inside);
    // The bitmap's bytes in turn, each moved to its place in the mask; bits of columns outside the
    // framebuffer are left out.
    const int first = inside.left - left, last = inside.right - left;
    for (int y = inside.top; y < inside.bottom; ++y) {
        const std::uint8_t* row = bits + static_cast<std::size_t>(y - bottom) * rowBytes;
        std::uint8_t* to = &m_mask[static_cast<std::size_t>(y) * m_maskRowBytes];
        for (int b = first / 8; b * 8 < last; ++b) {
            unsigned byte = row[b];
            if (b * 8 < first) byte &= 0xFFu >> (first - b * 8);
            if (b * 8 + 8 > last) byte &= 0xFFu << (b * 8 + 8 - last);
            if (byte == 0) continue;
            int x = left + b * 8;  // the mask column of the byte's first bit
            if (x < 0) {
                byte = (byte << -x) & 0xFF;  // the bits past the left edge are 0
                x = 0;
            }
            const int shift = x % 8;
            to[x / 8] ^= static_cast<std::uint8_t>(byte >> shift);
            to[x / 8 + 1] ^= static_cast<std::uint8_t>(byte << (8 - shift));
        }
    }
}

void PixelInversion::Draw()
{
    if (IsEmpty(m_gathered)) return;
    const RECT r = m_gathered;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_VIEWPORT_BIT | GL_TRANSFORM_BIT | GL_PIXEL_MODE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    for (GLenum cap : {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_FOG, GL_BLEND}) glDisable(cap);
    glEnable(GL_COLOR_LOGIC_OP);
    glLogicOp(GL_INVERT);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glPixelZoom(1, 1);
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPixelTransferf(GL_ALPHA_SCALE, 1);
    glPixelTransferf(GL_ALPHA_BIAS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    // Window pixels as they are: the image's lower-left corner at (left, bottom).
    glViewport(0, 0, m_width, m_height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, m_width, 0, m_height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    for (const RECT& band : Bands()) {
        MakeImage(band);
        glRasterPos2i(band.left, band.top);
        glDrawPixels(band.right - band.left, band.bottom - band.top, GL_ALPHA, GL_UNSIGNED_BYTE, m_image.data());
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    // The bytes that hold the gathered columns, and the one to spare after them.
    const int firstByte = r.left / 8, endByte = std::min((r.right - 1) / 8 + 2, m_maskRowBytes);
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint8_t* row = &m_mask[static_cast<std::size_t>(y) * m_maskRowBytes];
        std::fill(row + firstByte, row + endByte, 0);
    }
    m_gathered = RECT{0, 0, 0, 0};
}

std::vector<RECT> PixelInversion::Bands() const
{
    // Rows this close together share a band: a draw costs more than a few empty rows.
    constexpr int kJoin = 16;
    const RECT& g = m_gathered;
    const int firstByte = g.left / 8, endByte = std::min((g.right - 1) / 8 + 2, m_maskRowBytes);
    std::vector<RECT> bands;
    for (int y = g.top; y < g.bottom; ++y) {
        const std::uint8_t* row = &m_mask[static_cast<std::size_t>(y) * m_maskRowBytes];
        int first = firstByte;
        while (first < endByte && row[first] == 0) ++first;
        if (first == endByte) continue;
        int last = endByte - 1;
        while (row[last] == 0) --last;
        const RECT line{std::max(first * 8, g.left), y, std::min(last * 8 + 8, g.right), y + 1};
        if (!bands.empty() && y - bands.back().bottom < kJoin) bands.back() = Union(bands.back(), line);
        else bands.push_back(line);
    }
    return bands;
}

void PixelInversion::MakeImage(const RECT& r)
{
    const int width = r.right - r.left;
    m_image.assign(static_cast<std::size_t>(width) * (r.bottom - r.top), 0);
    for (int y = r.top; y < r.bottom; ++y) {
        const std::uint8_t* from = &m_mask[static_cast<std::size_t>(y) * m_maskRowBytes];
        std::uint8_t* to = &m_image[static_cast<std::size_t>(y - r.top) * width];
        // Eight pixels at a time where any is set, the first and last eight cut to the columns.
        for (int x = r.left / 8 * 8; x < r.right; x += 8) {
            if (from[x / 8] == 0) continue;
            const std::uint64_t eight = kSpread[from[x / 8]];
            const int skip = std::max(r.left - x, 0), end = std::min(r.right - x, 8);
            if (skip == 0 && end == 8) {
                std::memcpy(to + (x - r.left), &eight, 8);
                continue;
            }
            const auto* pixels = reinterpret_cast<const std::uint8_t*>(&eight);
            std::memcpy(to + (x + skip - r.left), pixels + skip, static_cast<std::size_t>(end - skip));
        }
    }
}
