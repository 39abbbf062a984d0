// Pixels inverted together: gathered into a mask, then drawn as one image whose fragments pass the
// alpha test only where the mask is set, under an inverting logic operation.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/wgl/wgl.h"
#include "platform/wgl/wgl_detail.h"

using platform::wgl::PixelInversion;

namespace {

// The mask bytes of the eight pixels of a bitmap byte, the leftmost pixel in the lowest byte.
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
        int width = 0, height = 0;
        if (!detail::CurrentFramebufferSize(&width, &height)) return;
        if (width != m_width || height != m_height) {
            m_width = width;
            m_height = height;
            m_mask.assign(static_cast<std::size_t>(m_width) * m_height, 0);
        }
    }
    // The part of the bitmap inside the framebuffer (top and bottom here count upwards).
    const RECT inside{std::max(left, 0), std::max(bottom, 0), std::min(left + width, m_width), std::min(bottom + height, m_height)};
    if (IsEmpty(inside)) return;
    // Columns of the bitmap a byte (eight of them) at a time, where the byte has bits set.
    const int first = inside.left - left, last = inside.right - left;
    for (int y = inside.top; y < inside.bottom; ++y) {
        const std::uint8_t* row = bits + static_cast<std::size_t>(y - bottom) * rowBytes;
        std::uint8_t* to = &m_mask[static_cast<std::size_t>(y) * m_width + left];
        for (int b = first / 8; b * 8 < last; ++b) {
            if (row[b] == 0) continue;
            if (b * 8 >= first && b * 8 + 8 <= last) {
                std::uint64_t eight;
                std::memcpy(&eight, to + b * 8, 8);
                eight ^= kSpread[row[b]];
                std::memcpy(to + b * 8, &eight, 8);
                continue;
            }
            for (int c = std::max(b * 8, first); c < std::min(b * 8 + 8, last); ++c)
                if (row[b] & (0x80 >> (c % 8))) to[c] ^= 0xFF;
        }
    }
    m_gathered = Union(m_gathered, inside);
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
    glPixelStorei(GL_UNPACK_ROW_LENGTH, m_width);
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
    glRasterPos2i(r.left, r.top);
    glDrawPixels(r.right - r.left, r.bottom - r.top, GL_ALPHA, GL_UNSIGNED_BYTE,
                 &m_mask[static_cast<std::size_t>(r.top) * m_width + r.left]);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    for (int y = r.top; y < r.bottom; ++y) std::fill_n(&m_mask[static_cast<std::size_t>(y) * m_width + r.left], r.right - r.left, 0);
    m_gathered = RECT{0, 0, 0, 0};
}
