// Presenting windows beside OpenGL controls: whether the window surface is the display's own or
// has SDL's OpenGL renderer behind it (asked for here, as a user may), presentation neither
// draws into nor takes away the context that is current on the thread.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/gdi/gdi.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"
#include "platform/wgl/wgl.h"
#include "tests/platform_wgl/GlTestSupport.h"

namespace {

class PresentBesideGl : public gl_test::GlChildFixture {
protected:
    static void SetUpTestSuite()
    {
        // Before the first window surface exists: SDL reads it when it makes one.
        setenv("SDL_FRAMEBUFFER_ACCELERATION", "1", 1);
    }
    void SetUp() override { MakeWindows(160, 120, RECT{20, 10, 120, 90}); }
    static std::uint32_t FramebufferPixel()
    {
        GLubyte rgba[4] = {};
        glReadPixels(50, 40, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return static_cast<std::uint32_t>(rgba[0]) << 16 | rgba[1] << 8 | rgba[2];
    }
};

TEST_F(PresentBesideGl, LeavesTheCurrentContextAndItsPictureAlone)
{
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(wglMakeCurrent(dc, context));
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ASSERT_TRUE(SwapBuffers(dc));
        platform::user::PresentChangedWindows();  // with the context current
        EXPECT_EQ(wglGetCurrentContext(), context);
        EXPECT_EQ(FramebufferPixel(), 0xFF0000u) << "presentation drew into the control's framebuffer";

        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        EXPECT_TRUE(SwapBuffers(dc));
        wglMakeCurrent(nullptr, nullptr);
        platform::user::PresentChangedWindows();  // with none current
        ASSERT_TRUE(wglMakeCurrent(dc, context)) << "the context could not be made current after presenting";
        EXPECT_EQ(FramebufferPixel(), 0x0000FFu);
        wglMakeCurrent(nullptr, nullptr);
    }
    platform::user::Picture picture;
    ASSERT_TRUE(platform::user::RenderWindow(top, &picture));
    EXPECT_EQ(picture.at(70, 50) & 0xFFFFFFu, 0x0000FFu);
}

}  // namespace
