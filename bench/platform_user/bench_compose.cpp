// One frame of the main window's size with its thermal view's size: the OpenGL child publishes a
// new frame, and the tree is composed (as for presentation or a screenshot).
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/user/window.h"
#include "platform/user/surface.h"

namespace {

struct Frame {
    HWND top = nullptr;
    HWND view = nullptr;
    std::vector<std::uint8_t> rgba;

    Frame()
    {
        top = CreateWindowExA(0, nullptr, "bench", WS_POPUP | WS_VISIBLE, 0, 0, 1920, 1080, nullptr, nullptr, nullptr, nullptr);
        view = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 125, 150, 1285, 930, top,
                               reinterpret_cast<HMENU>(4000), nullptr, nullptr);
        rgba.assign(1285u * 930u * 4u, 0);
        for (std::size_t i = 0; i < rgba.size(); i += 4) rgba[i] = 200, rgba[i + 1] = 60, rgba[i + 2] = 20, rgba[i + 3] = 255;
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    }
    ~Frame() { DestroyWindow(top); }
};

void BM_PublishAndCompose(benchmark::State& state)
{
    Frame f;
    platform::user::Picture picture;
    for (auto _ : state) {
        f.rgba[0] ^= 1;
        platform::user::WriteSurfacePixels(f.view, f.rgba.data(), 1285, 930, 1285 * 4, true, true);
        platform::user::RenderWindow(f.top, &picture);
        benchmark::DoNotOptimize(picture.pixels.data());
    }
}
BENCHMARK(BM_PublishAndCompose)->Unit(benchmark::kMillisecond);

void BM_PublishAndPresent(benchmark::State& state)
{
    Frame f;
    for (auto _ : state) {
        f.rgba[0] ^= 1;
        platform::user::WriteSurfacePixels(f.view, f.rgba.data(), 1285, 930, 1285 * 4, true, true);
        platform::user::PresentChangedWindows();
    }
}
BENCHMARK(BM_PublishAndPresent)->Unit(benchmark::kMillisecond);

}  // namespace
