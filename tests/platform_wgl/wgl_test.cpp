// OpenGL controls: a context per control drawing into its own framebuffer, shown at the control's
// rectangle in the window; glyph lists for ASCII and Chinese text.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"
#include "platform/user/window_tree.h"
#include "platform/wgl/wgl.h"
#include "platform/wgl/wgl_detail.h"
#include "tests/platform_wgl/GlTestSupport.h"

namespace {

using gl_test::RendererFormat;
using platform::user::Picture;

std::string OutputPath(const std::string& name)
{
    const char* tmp = std::getenv("VANTREL_TEST_TMP");
    std::string dir = tmp ? tmp : "/tmp";
    std::system(("mkdir -p '" + dir + "'").c_str());
    return dir + "/" + name;
}

std::uint32_t Rgb(const Picture& p, int x, int y) { return p.at(x, y) & 0xFFFFFFu; }

// A top-level window with one OpenGL child, its DC and context.
class GlWindow : public gl_test::GlChildFixture {
protected:
    void SetUp() override { MakeWindows(320, 240, RECT{40, 30, 240, 180}); }
    // One frame cleared to the colour with a quad of another colour over the right half.
    void DrawFrame(float r, float g, float b)
    {
        ASSERT_TRUE(wglMakeCurrent(dc, context));
        glViewport(0, 0, 200, 150);
        glClearColor(r, g, b, 0.0f);  // alpha 0, as the renderer's frames clear
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor3ub(255, 255, 0);
        glBegin(GL_QUADS);
        glVertex2f(0, -1), glVertex2f(1, -1), glVertex2f(1, 1), glVertex2f(0, 1);
        glEnd();
        ASSERT_TRUE(SwapBuffers(dc));
        ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    }
};

TEST_F(GlWindow, FrameAppearsAtTheControlsRectangleInTheWindow)
{
    DrawFrame(0.0f, 0.0f, 1.0f);
    Picture picture;
    ASSERT_TRUE(platform::user::RenderWindow(top, &picture));
    ASSERT_EQ(picture.width, 320);
    platform::user::WritePictureToPng(picture, OutputPath("wgl_control.png"));
    EXPECT_EQ(Rgb(picture, 41, 31), 0x0000FFu);   // the cleared left half, opaque whatever alpha was cleared
    EXPECT_EQ(picture.at(41, 31) >> 24, 0xFFu);
    EXPECT_EQ(Rgb(picture, 238, 178), 0xFFFF00u); // the quad on the right half
    EXPECT_EQ(Rgb(picture, 20, 20), 0x000000u);   // outside the control: the empty parent
    EXPECT_EQ(Rgb(picture, 250, 100), 0x000000u);
    // The picture is upright: the quad covers the whole height on the right only.
    EXPECT_EQ(Rgb(picture, 238, 31), 0xFFFF00u);
    EXPECT_EQ(Rgb(picture, 41, 178), 0x0000FFu);
}

TEST_F(GlWindow, ContextIsCurrentOnlyBetweenMakeCurrentCalls)
{
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    EXPECT_EQ(wglGetCurrentContext(), context);
    EXPECT_EQ(wglGetCurrentDC(), dc);
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(wglGetCurrentDC(), nullptr);
    // Deleting the current context leaves none current; the handle is dead afterwards.
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_FALSE(wglMakeCurrent(dc, context));
    context = nullptr;
}

TEST_F(GlWindow, FailedSwapLeavesTheWindowAsItWas)
{
    DrawFrame(1.0f, 0.0f, 0.0f);
    Picture before;
    ASSERT_TRUE(platform::user::RenderWindow(top, &before));
    // No context current: nothing is published.
    EXPECT_FALSE(SwapBuffers(dc));
    // A context current for another window does not publish into this one.
    HWND other = CreateWindowExA(0, nullptr, "", WS_CHILD | WS_VISIBLE, 250, 10, 50, 50, top, nullptr, nullptr, nullptr);
    HDC otherDc = GetDC(other);
    PIXELFORMATDESCRIPTOR pfd = RendererFormat();
    ASSERT_TRUE(SetPixelFormat(otherDc, ChoosePixelFormat(otherDc, &pfd), &pfd));
    HGLRC otherContext = wglCreateContext(otherDc);
    ASSERT_TRUE(wglMakeCurrent(otherDc, otherContext));
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_FALSE(SwapBuffers(dc));
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(otherContext);
    ReleaseDC(other, otherDc);
    DestroyWindow(other);
    Picture after;
    ASSERT_TRUE(platform::user::RenderWindow(top, &after));
    EXPECT_EQ(Rgb(after, 41, 31), 0xFF0000u);
    EXPECT_EQ(Rgb(after, 238, 100), Rgb(before, 238, 100));
}

TEST_F(GlWindow, TwoControlsKeepTheirOwnContexts)
{
    HWND second = CreateWindowExA(0, nullptr, "", WS_CHILD | WS_VISIBLE, 250, 30, 60, 60, top, nullptr, nullptr, nullptr);
    HDC secondDc = GetDC(second);
    PIXELFORMATDESCRIPTOR pfd = RendererFormat();
    ASSERT_TRUE(SetPixelFormat(secondDc, ChoosePixelFormat(secondDc, &pfd), &pfd));
    HGLRC secondContext = wglCreateContext(secondDc);
    ASSERT_NE(secondContext, nullptr);
    ASSERT_TRUE(wglMakeCurrent(secondDc, secondContext));
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(SwapBuffers(secondDc));
    DrawFrame(0.0f, 0.0f, 1.0f);
    Picture picture;
    ASSERT_TRUE(platform::user::RenderWindow(top, &picture));
    EXPECT_EQ(Rgb(picture, 280, 60), 0x00FF00u);
    EXPECT_EQ(Rgb(picture, 41, 31), 0x0000FFu);
    wglMakeCurrent(nullptr, nullptr);
    EXPECT_TRUE(wglDeleteContext(secondContext));
    EXPECT_FALSE(wglDeleteContext(secondContext));
    ReleaseDC(second, secondDc);
}

TEST_F(GlWindow, FramebufferFollowsTheControlsSize)
{
    ASSERT_TRUE(MoveWindow(child, 40, 30, 100, 80, TRUE));
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    glViewport(0, 0, 100, 80);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(SwapBuffers(dc));
    wglMakeCurrent(nullptr, nullptr);
    Picture picture;
    ASSERT_TRUE(platform::user::RenderWindow(child, &picture));
    EXPECT_EQ(picture.width, 100);
    EXPECT_EQ(picture.height, 80);
    EXPECT_EQ(Rgb(picture, 99, 79), 0xFFFFFFu);
}

// The read-back of the picture neither depends on nor disturbs the program's own state: its
// scissor box, pixel packing and bound texture stay as they were, and its own reads still come
// from its picture.
TEST_F(GlWindow, SwapLeavesTheProgramsStateAsItFoundIt)
{
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    glViewport(0, 0, 200, 150);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_SCISSOR_TEST);
    glScissor(10, 10, 20, 20);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);  // a red square near the bottom-left corner
    const GLenum packNames[4] = {GL_PACK_ALIGNMENT, GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS};
    const GLint packValues[4] = {1, 7, 2, 3};
    for (int i = 0; i < 4; ++i) glPixelStorei(packNames[i], packValues[i]);

    ASSERT_TRUE(SwapBuffers(dc));

    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[0], 10);
    EXPECT_EQ(box[2], 20);
    for (int i = 0; i < 4; ++i) {
        GLint value = -1;
        glGetIntegerv(packNames[i], &value);
        EXPECT_EQ(value, packValues[i]) << "pack parameter " << i;
    }
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture);
    for (int i = 0; i < 4; ++i) glPixelStorei(packNames[i], i == 0 ? 4 : 0);
    GLubyte rgba[4] = {};
    glReadPixels(15, 15, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    EXPECT_EQ(rgba[0], 255) << "the program's read no longer comes from its picture";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDeleteTextures(1, &texture);
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    // The whole picture is published, not just the part inside the scissor box.
    Picture picture;
    ASSERT_TRUE(platform::user::RenderWindow(child, &picture));
    EXPECT_EQ(Rgb(picture, 0, 0), 0x00FF00u);
    EXPECT_EQ(Rgb(picture, 199, 149), 0x00FF00u);
    EXPECT_EQ(Rgb(picture, 15, 149 - 15), 0xFF0000u);
}

// A control made smaller since its framebuffer was sized shows the top-left part of the picture,
// upright and opaque.
TEST_F(GlWindow, SmallerWindowShowsThePicturesTopLeftPart)
{
    ASSERT_TRUE(wglMakeCurrent(dc, context));  // sizes the framebuffer to 200 x 150
    ASSERT_TRUE(MoveWindow(child, 40, 30, 100, 80, TRUE));
    glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 148, 200, 2);  // the picture's top two rows
    glClearColor(1.0f, 0.0f, 0.0f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    ASSERT_TRUE(SwapBuffers(dc));
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    Picture picture;
    ASSERT_TRUE(platform::user::RenderWindow(child, &picture));
    ASSERT_EQ(picture.height, 80);
    EXPECT_EQ(picture.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(picture.at(99, 1), 0xFFFF0000u);
    EXPECT_EQ(picture.at(99, 2), 0xFF0000FFu);
    EXPECT_EQ(picture.at(0, 79), 0xFF0000FFu);
}

// A picture of a control shown whole goes straight to the display: it is shown at the next
// presentation, and the control's own pixels (a picture of the window, a DC drawing on it) find it
// there, opaque. Once a sibling covers a part of it, it is composed as any window.
class DirectPicture : public gl_test::GlChildFixture {
protected:
    void SetUp() override
    {
        MakeWindows(160, 120, RECT{20, 10, 120, 90});
        PumpAndPresent();
    }
    static void PumpAndPresent()
    {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
        platform::user::PresentChangedWindows();
    }
    void Swap(float r, float g, float b)
    {
        ASSERT_TRUE(wglMakeCurrent(dc, context));
        glClearColor(r, g, b, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ASSERT_TRUE(SwapBuffers(dc));
        wglMakeCurrent(nullptr, nullptr);
    }
    std::uint32_t ShownAt(int x, int y)
    {
        platform::user::Picture shown;
        EXPECT_TRUE(platform::user::GetShownPicture(top, &shown));
        return shown.at(x, y) & 0xFFFFFFu;
    }
};

TEST_F(DirectPicture, IsShownAndStaysTheControlsOwn)
{
    Swap(1.0f, 0.0f, 0.0f);
    platform::user::PresentChangedWindows();
    EXPECT_EQ(ShownAt(70, 50), 0xFF0000u);
    EXPECT_EQ(ShownAt(10, 50), 0x000000u);
    platform::user::Picture picture;
    ASSERT_TRUE(platform::user::RenderWindow(child, &picture));
    EXPECT_EQ(picture.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(picture.at(99, 79), 0xFFFF0000u);

    // A DC draws on a part of the control over its latest picture.
    Swap(0.0f, 0.0f, 1.0f);
    HDC window = GetDC(child);
    RECT corner{0, 0, 10, 10};
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(window, &corner, green);
    DeleteObject(green);
    ReleaseDC(child, window);
    platform::user::PresentChangedWindows();
    EXPECT_EQ(ShownAt(25, 15), 0x00FF00u);
    EXPECT_EQ(ShownAt(70, 50), 0x0000FFu);

    // A sibling over a part of it.
    HWND sibling = CreateWindowExA(0, nullptr, "", WS_CHILD | WS_VISIBLE, 100, 60, 40, 40, top, nullptr, nullptr, nullptr);
    ASSERT_NE(sibling, nullptr);
    platform::user::Surface* s = platform::user::GetWindowSurface(sibling);
    for (int y = 0; y < s->height; ++y) std::fill(s->row(y), s->row(y) + s->width, 0xFFFFFFFFu);
    platform::user::MarkSurfaceChanged(sibling, nullptr);
    Swap(1.0f, 1.0f, 0.0f);
    PumpAndPresent();
    EXPECT_EQ(ShownAt(70, 50), 0xFFFF00u);
    EXPECT_EQ(ShownAt(110, 70), 0xFFFFFFu);
    DestroyWindow(sibling);
    PumpAndPresent();
    EXPECT_EQ(ShownAt(110, 70), 0xFFFF00u);
}

// The rows a read-back leaves in a surface wider and taller than the picture: each pixel of the
// picture made opaque when asked, turned over when asked, and nothing outside the picture touched.
TEST(FinishPicture, MakesThePictureOpaqueAndTurnsItsRowsOnlyWhenAsked)
{
    constexpr int kStride = 5, kRows = 6, kWidth = 3;
    constexpr std::uint32_t kOutside = 0x12345678u;
    for (bool opaque : {true, false})
        for (bool turn : {false, true}) {
            for (int height : {1, 2, 3, 4}) {
                std::vector<std::uint32_t> pixels(kStride * kRows, kOutside);
                auto original = [](int x, int y) { return static_cast<std::uint32_t>((y % 2) << 30 | y << 8 | x); };
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < kWidth; ++x) pixels[y * kStride + x] = original(x, y);
                const platform::user::Surface surface{pixels.data(), kStride, kRows, kStride * 4};
                platform::wgl::detail::FinishPicture(surface, kWidth, height, turn, opaque);
                for (int y = 0; y < kRows; ++y)
                    for (int x = 0; x < kStride; ++x) {
                        const int from = turn ? height - 1 - y : y;
                        const std::uint32_t expected =
                            y < height && x < kWidth ? (opaque ? 0xFF000000u : 0u) | original(x, from) : kOutside;
                        EXPECT_EQ(pixels[y * kStride + x], expected)
                            << "opaque " << opaque << ", turn " << turn << ", height " << height << ", at " << x << "," << y;
                    }
            }
        }
}

TEST(PixelFormat, RequestsItCannotMeetAndDcsWithoutWindowsFail)
{
    HDC mem = CreateCompatibleDC(nullptr);
    PIXELFORMATDESCRIPTOR pfd = RendererFormat();
    EXPECT_EQ(ChoosePixelFormat(mem, &pfd), 0);
    EXPECT_FALSE(SetPixelFormat(mem, 1, &pfd));
    EXPECT_EQ(wglCreateContext(mem), nullptr);
    DeleteDC(mem);
    HWND w = CreateWindowExA(0, nullptr, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HDC dc = GetDC(w);
    EXPECT_EQ(wglCreateContext(dc), nullptr);  // no pixel format set yet
    PIXELFORMATDESCRIPTOR index = pfd;
    index.iPixelType = PFD_TYPE_COLORINDEX;
    EXPECT_EQ(ChoosePixelFormat(dc, &index), 0);
    EXPECT_EQ(ChoosePixelFormat(dc, nullptr), 0);
    EXPECT_FALSE(SetPixelFormat(dc, 7, &pfd));
    EXPECT_FALSE(wglMakeCurrent(dc, reinterpret_cast<HGLRC>(static_cast<std::uintptr_t>(0x40))));
    EXPECT_FALSE(wglUseFontBitmapsA(dc, 0, 128, 1));  // no current context
    ReleaseDC(w, dc);
    DestroyWindow(w);
}

// Glyph lists: text drawn through the lists, read back from the framebuffer.
class GlyphLists : public GlWindow {
protected:
    // Draws `units` through fresh lists of the font at raster position (10, 40 from the bottom)
    // and returns the ink's bounding box in framebuffer rows counted from the top.
    RECT DrawWithLists(HFONT font, const std::vector<DWORD>& units, bool wide)
    {
        RECT ink{200, 150, 0, 0};
        if (!wglMakeCurrent(dc, context)) return ink;
        HGDIOBJ old = SelectObject(wglGetCurrentDC(), font);
        glViewport(0, 0, 200, 150);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 200, 0, 150, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor3f(1, 1, 1);
        glRasterPos2i(10, 40);
        GLuint list = glGenLists(1);
        for (DWORD u : units) {
            BOOL ok = wide ? wglUseFontBitmapsW(wglGetCurrentDC(), u, 1, list) : wglUseFontBitmapsA(wglGetCurrentDC(), u, 1, list);
            EXPECT_TRUE(ok);
            glCallList(list);
        }
        glDeleteLists(list, 1);
        std::vector<std::uint8_t> px(200 * 150 * 4);
        glReadPixels(0, 0, 200, 150, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x)
                if (px[(y * 200 + x) * 4] > 128) {
                    int top = 149 - y;
                    ink.left = std::min<LONG>(ink.left, x), ink.right = std::max<LONG>(ink.right, x + 1);
                    ink.top = std::min<LONG>(ink.top, top), ink.bottom = std::max<LONG>(ink.bottom, top + 1);
                }
        SwapBuffers(dc);
        SelectObject(wglGetCurrentDC(), old);
        wglMakeCurrent(nullptr, nullptr);
        return ink;
    }
};

TEST_F(GlyphLists, AsciiListsDrawTextFromTheRasterPosition)
{
    HFONT font = CreateFontA(18, 0, 0, 0, 700, 0, 0, 0, ANSI_CHARSET, 0, 0, 6, 0x20, "Times New Roman");
    RECT ink = DrawWithLists(font, {'2', '5', '.', '3'}, false);
    ASSERT_LT(ink.left, ink.right) << "no ink";
    EXPECT_GE(ink.left, 10);
    EXPECT_LT(ink.left, 14);
    EXPECT_GT(ink.right - ink.left, 20);  // four glyphs advance along the line
    EXPECT_LE(ink.bottom, 150 - 40 + 1);  // digits stand on the baseline at y 40
    EXPECT_GT(ink.bottom, 150 - 40 - 3);
    Picture picture;
    platform::user::RenderWindow(top, &picture);
    platform::user::WritePictureToPng(picture, OutputPath("wgl_ascii.png"));
    DeleteObject(font);
}

TEST_F(GlyphLists, ChineseListsDrawWideGlyphs)
{
    HFONT font = CreateFontA(23, 0, 0, 0, 200, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 6, 0x20, "微软雅黑");
    std::vector<WCHAR> wide(8);
    int n = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "漏电速查", -1, wide.data(), 8) - 1;
    ASSERT_EQ(n, 4);
    RECT ink = DrawWithLists(font, {DWORD(wide[0]), DWORD(wide[1]), DWORD(wide[2]), DWORD(wide[3])}, true);
    ASSERT_LT(ink.left, ink.right) << "no ink";
    EXPECT_GT(ink.right - ink.left, 4 * 14);  // four wide characters
    EXPECT_GT(ink.bottom - ink.top, 12);
    Picture picture;
    platform::user::RenderWindow(top, &picture);
    platform::user::WritePictureToPng(picture, OutputPath("wgl_chinese.png"));
    DeleteObject(font);
}

TEST_F(GlyphLists, BytesAboveAsciiDrawNothingInTheAForm)
{
    HFONT font = CreateFontA(18, 0, 0, 0, 700, 0, 0, 0, ANSI_CHARSET, 0, 0, 6, 0x20, "Times New Roman");
    RECT ink = DrawWithLists(font, {0xB0, 0xE6}, false);
    EXPECT_GE(ink.left, ink.right);
    DeleteObject(font);
}

}  // namespace
