// The renderer's texture upload: it reads exactly the pixels it is given, whatever unpacking state
// its context was left in, and touches no other context when its own cannot be made current. And
// the frame it ends reaches the window whole, whatever packing state the context was left in.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/user/surface.h"
#include "platform/wgl/wgl.h"
#include "tests/view/ViewTestSupport.h"
#include "view/COGLStatic.h"

namespace {

using namespace view_test;

// An OpenGL control whose paint clears it to a colour through its renderer.
class ClearingControl : public COGLStatic {
public:
    std::uint32_t colour = 0;
    void OnPaint()
    {
        CPaintDC dc(this);
        m_renderer.BeginFrame(colour);
        m_renderer.EndFrame();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ClearingControl, COGLStatic)
ON_WM_PAINT()
END_MESSAGE_MAP()

// An OpenGL control with one view, its renderer initialised on its window.
struct GlControl {
    HostWnd host;
    ClearingControl control;

    GlControl()
    {
        control.m_renderer.AllocateViews(1);
        EXPECT_TRUE(host.CreateTop(64, 64));
        EXPECT_TRUE(control.Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, 64, 64), &host, 100));
    }
    ~GlControl()
    {
        if (::IsWindow(control.GetSafeHwnd()))
            control.DestroyWindow();
        host.DestroyWindow();
    }
    CZelRendererOpenGL& Renderer() { return control.m_renderer; }
};

int BytesPerPixel(int format)
{
    return format == 0 ? 1 : format == 2 ? 4 : 3;
}

GLenum Layout(int format)
{
    return format == 0 ? GL_LUMINANCE : format == 2 ? GL_RGBA : GL_RGB;
}

// The texture of view 0 as the renderer's own context holds it, rows packed.
std::vector<std::uint8_t> ReadTexture(CZelRendererOpenGL& r, int width, int height, int format)
{
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * BytesPerPixel(format), 0xEE);
    EXPECT_TRUE(wglMakeCurrent(r.m_hDC, r.m_hRC));
    glBindTexture(GL_TEXTURE_2D, r.m_textures[0]);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glGetTexImage(GL_TEXTURE_2D, 0, Layout(format), GL_UNSIGNED_BYTE, out.data());
    wglMakeCurrent(nullptr, nullptr);
    return out;
}

std::vector<std::uint8_t> Pattern(std::size_t bytes, int seed)
{
    std::vector<std::uint8_t> p(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        p[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return p;
}

struct UploadCase {
    int format;
    int width;
    int height;
};

class Upload : public ::testing::TestWithParam<UploadCase> {};

TEST_P(Upload, ReadsExactlyItsPixelsWhateverTheUnpackingState)
{
    const UploadCase c = GetParam();
    GlControl gl;
    CZelRendererOpenGL& r = gl.Renderer();
    ASSERT_NE(r.m_hRC, nullptr);
    // Unpacking state another user of the context left behind: rows of another length, skipped
    // rows and pixels, a coarser alignment.
    ASSERT_TRUE(wglMakeCurrent(r.m_hDC, r.m_hRC));
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 1285);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 2);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 3);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    wglMakeCurrent(nullptr, nullptr);

    const std::size_t bytes = static_cast<std::size_t>(c.width) * c.height * BytesPerPixel(c.format);
    // The first upload defines the texture, the second (same size) updates it.
    for (int seed : {1, 2}) {
        const std::vector<std::uint8_t> pixels = Pattern(bytes, seed);
        EXPECT_EQ(r.UploadTexture(pixels.data(), c.width, c.height, c.format, 0), 0);
        EXPECT_EQ(ReadTexture(r, c.width, c.height, c.format), pixels) << "upload " << seed;
    }
}

// Odd widths make rows that are not a multiple of four bytes long.
INSTANTIATE_TEST_SUITE_P(Formats, Upload,
                         ::testing::Values(UploadCase{1, 5, 4}, UploadCase{1, 256, 192}, UploadCase{0, 7, 3},
                                           UploadCase{2, 3, 2}));

TEST(UploadWithoutItsContext, LeavesTheCurrentContextAlone)
{
    GlControl own;
    GlControl other;
    CZelRendererOpenGL& a = own.Renderer();
    CZelRendererOpenGL& b = other.Renderer();
    const std::vector<std::uint8_t> kept = Pattern(4 * 4 * 3, 5);
    ASSERT_EQ(b.UploadTexture(kept.data(), 4, 4, 1, 0), 0);
    ASSERT_EQ(ReadTexture(b, 4, 4, 1), kept);

    // The other context is current on this thread (as a toolkit's own may be), and the
    // renderer's window is gone, so its context cannot be made current.
    own.control.DestroyWindow();
    ASSERT_TRUE(wglMakeCurrent(b.m_hDC, b.m_hRC));
    const std::vector<std::uint8_t> stray = Pattern(4 * 4 * 3, 9);
    EXPECT_EQ(a.UploadTexture(stray.data(), 4, 4, 1, 0), 0);
    wglMakeCurrent(nullptr, nullptr);

    EXPECT_EQ(ReadTexture(b, 4, 4, 1), kept);
}

TEST(EndFrame, PublishesTheWholePictureWhateverThePackingState)
{
    GlControl gl;
    CZelRendererOpenGL& r = gl.Renderer();
    // Packing state another user of the context left behind.
    ASSERT_TRUE(wglMakeCurrent(r.m_hDC, r.m_hRC));
    glPixelStorei(GL_PACK_SKIP_ROWS, 3);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 7);
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    wglMakeCurrent(nullptr, nullptr);
    for (std::uint32_t colour : {0x00FF0000u, 0x000000FFu}) {
        gl.control.colour = colour;  // bytes from the lowest: red, green, blue
        gl.control.Invalidate(FALSE);
        platform::user::Picture p;
        ASSERT_TRUE(platform::user::RenderWindow(gl.control.GetSafeHwnd(), &p));
        ASSERT_EQ(p.width, 64);
        const std::uint32_t want = colour == 0x00FF0000u ? 0x0000FFu : 0xFF0000u;  // as 0xRRGGBB
        int wrong = 0;
        for (std::uint32_t px : p.pixels)
            wrong += (px & 0xFFFFFFu) != want;
        EXPECT_EQ(wrong, 0) << std::hex << colour;
    }
}

}  // namespace
