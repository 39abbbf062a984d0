// Helpers of the OpenGL tests: the pixel format the renderer asks for, and a fixture with a
// top-level window, one OpenGL child, its DC and a context for it.
#pragma once

#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/user/window.h"
#include "platform/wgl/wgl.h"

namespace gl_test {

// The pixel format request of the renderer's Init.
inline PIXELFORMATDESCRIPTOR RendererFormat()
{
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

class GlChildFixture : public ::testing::Test {
protected:
    // The top-level window of topWidth x topHeight with its OpenGL child at childRect.
    void MakeWindows(int topWidth, int topHeight, RECT childRect)
    {
        top = CreateWindowExA(0, nullptr, "gl test", WS_POPUP | WS_VISIBLE, 0, 0, topWidth, topHeight, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(top, nullptr);
        child = CreateWindowExA(0, nullptr, "", WS_CHILD | WS_VISIBLE, childRect.left, childRect.top, childRect.right - childRect.left,
                                childRect.bottom - childRect.top, top, nullptr, nullptr, nullptr);
        ASSERT_NE(child, nullptr);
        dc = GetDC(child);
        ASSERT_NE(dc, nullptr);
        PIXELFORMATDESCRIPTOR pfd = RendererFormat();
        int format = ChoosePixelFormat(dc, &pfd);
        ASSERT_NE(format, 0);
        ASSERT_TRUE(SetPixelFormat(dc, format, &pfd));
        context = wglCreateContext(dc);
        ASSERT_NE(context, nullptr);
    }
    void TearDown() override
    {
        wglMakeCurrent(nullptr, nullptr);
        if (context) wglDeleteContext(context);
        if (dc) ReleaseDC(child, dc);
        if (top) DestroyWindow(top);
    }

    HWND top = nullptr, child = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
};

}  // namespace gl_test
