// One frame of a 1920 x 1080 window whose 1285 x 930 OpenGL child shows a new 256 x 192 camera
// image (25 a second in the program): the child's render (upload, draw, SwapBuffers), the
// window's composition and presentation of the changed child, the child's read-back with them,
// and the layer's memory at rest.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"
#include "platform/wgl/wgl.h"

namespace {

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4;  // 4 KiB pages
}

struct Scene {
    HWND top = nullptr, child = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    GLuint texture = 0;
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(256 * 192 * 3);
    int frame = 0;
    long restKiB = 0;     // what the window, its child and the context add, idle
    long windowsKiB = 0;  // of which the two windows' pixels and their presentation

    Scene()
    {
        long before = ResidentKiB();
        top = CreateWindowExA(0, nullptr, "bench", WS_POPUP | WS_VISIBLE, 0, 0, 1920, 1080, nullptr, nullptr, nullptr, nullptr);
        child = CreateWindowExA(0, nullptr, "", WS_CHILD | WS_VISIBLE, 330, 110, 1285, 930, top, nullptr, nullptr, nullptr);
        Compose();
        windowsKiB = ResidentKiB() - before;
        dc = GetDC(child);
        PIXELFORMATDESCRIPTOR pfd{};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.cColorBits = 24;
        SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd);
        context = wglCreateContext(dc);
        wglMakeCurrent(dc, context);
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 192, 0, GL_RGB, GL_UNSIGNED_BYTE, image.data());
        wglMakeCurrent(nullptr, nullptr);
        Render();
        Compose();
        restKiB = ResidentKiB() - before;
    }
    ~Scene()
    {
        wglDeleteContext(context);
        ReleaseDC(child, dc);
        DestroyWindow(top);
    }
    void Render()
    {
        ++frame;
        for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i + frame);
        wglMakeCurrent(dc, context);
        glViewport(0, 0, 1285, 930);
        glClearColor(0, 16 / 255.0f, 27 / 255.0f, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, 192, GL_RGB, GL_UNSIGNED_BYTE, image.data());
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex3f(-1, 1, 0);
        glTexCoord2f(1, 0), glVertex3f(1, 1, 0);
        glTexCoord2f(1, 1), glVertex3f(1, -1, 0);
        glTexCoord2f(0, 1), glVertex3f(-1, -1, 0);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glColor3f(1, 1, 1);
        SwapBuffers(dc);
        wglMakeCurrent(nullptr, nullptr);
    }
    void Compose() { platform::user::PresentChangedWindows(); }
};

Scene& scene()
{
    static Scene* s = new Scene;
    return *s;
}

void BM_RenderOpenGlChild(benchmark::State& state)
{
    Scene& s = scene();
    for (auto _ : state) s.Render();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderOpenGlChild)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ComposeWindow(benchmark::State& state)
{
    Scene& s = scene();
    RECT all{0, 0, 1285, 930};
    for (auto _ : state) {
        platform::user::MarkSurfaceChanged(s.child, &all);
        s.Compose();
    }
}
BENCHMARK(BM_ComposeWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// A frame the child has drawn reaches the screen: SwapBuffers reads it back into the child's
// pixels, then the window is composed and presented.
void BM_SwapAndPresent(benchmark::State& state)
{
    Scene& s = scene();
    for (auto _ : state) {
        wglMakeCurrent(s.dc, s.context);
        SwapBuffers(s.dc);
        wglMakeCurrent(nullptr, nullptr);
        s.Compose();
    }
}
BENCHMARK(BM_SwapAndPresent)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FrameRenderAndCompose(benchmark::State& state)
{
    Scene& s = scene();
    for (auto _ : state) {
        s.Render();
        s.Compose();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    // 25 frames a second leave 40 ms per frame; this is the share of it the layer takes.
    state.counters["rest_KiB"] = static_cast<double>(s.restKiB);
    state.counters["windows_KiB"] = static_cast<double>(s.windowsKiB);
}
BENCHMARK(BM_FrameRenderAndCompose)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
