// The thermal display's paint (2D with 30 regions, with 0 to 100 labelled rectangles, and 3D) on
// a 1285 x 930 pane, and the region statistics of 100 x 100 regions.
#include <benchmark/benchmark.h>

#include <vector>

#include "acquisition/IrFrame.h"
#include "app/CVantrelApp.h"
#include "platform/user/CWnd.h"
#include "view/CStaticDisplay.h"

namespace {

constexpr int kW = 256;
constexpr int kH = 192;

class Host : public CWnd {
public:
    BOOL CreateTop(int w, int h) { return CreateEx(0, nullptr, "bench", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr, nullptr); }
};

// A display of the main window's size showing a synthetic frame.
struct Pane {
    Host host;
    CStaticDisplay disp;
    IrFrame frame{};
    int icons[5] = {0, 0, 1, 1, 1};

    Pane(int rects, int polygons)
    {
        frame.param.width = kW;
        frame.param.height = kH * 2;
        frame.param.frame_size = kW * kH * 4;
        ircam_frame_setup(&frame);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                frame.temp_data[y * kW + x] = static_cast<std::uint16_t>(19000 + (x * 7 + y * 13) % 2000);
        for (int i = 0; i < kW * kH * 3; ++i)
            frame.rgb_buf[i] = static_cast<std::uint8_t>(i * 31);
        host.CreateTop(1285, 930);
        disp.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, 1285, 930), &host, 4000);
        disp.m_pImage = &frame;
        disp.m_pIconFlags = icons;
        disp.m_nCursorX = 128;
        disp.m_nCursorY = 96;
        RenderView& v = disp.m_renderer.m_pViews[0];
        for (int i = 0; i < rects; ++i)
            v.rects.push_back(new RectShape{5 + (i % 5) * 48, 5 + (i / 5) * 45, 40, 35});
        for (int i = 0; i < polygons; ++i) {
            auto* p = new PolygonShape;
            const int x = 10 + (i % 5) * 48, y = 100 + (i / 5) * 45;
            p->m_points = {{x, y}, {x + 35, y + 5}, {x + 30, y + 35}, {x + 5, y + 30}};
            p->UpdateMask();
            v.polygons.push_back(p);
        }
        disp.m_renderer.ZoomAt(0, 0, 4.0f, 0);
    }
    ~Pane()
    {
        disp.DestroyWindow();
        host.DestroyWindow();
        ircam_frame_free(&frame);
    }
};

void BM_DrawScene2D(benchmark::State& state)
{
    Pane pane(20, 10);
    pane.disp.m_renderer.ZoomAt(0, 0, 4.0f, 0);
    for (auto _ : state)
        pane.disp.DrawScene();
}
BENCHMARK(BM_DrawScene2D)->Unit(benchmark::kMillisecond);

// Rectangles in a grid of ten columns over the whole image, each with its statistics and number
// labels: with many regions the text is most of the paint.
void BM_DrawSceneLabelledRects(benchmark::State& state)
{
    Pane pane(0, 0);
    RenderView& v = pane.disp.m_renderer.m_pViews[0];
    const int count = static_cast<int>(state.range(0));
    for (int i = 0; i < count; ++i)
        v.rects.push_back(new RectShape{3 + (i % 10) * 25, 3 + (i / 10) * 19, 20, 14});
    for (auto _ : state)
        pane.disp.DrawScene();
}
BENCHMARK(BM_DrawSceneLabelledRects)->Arg(0)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_DrawScene3D(benchmark::State& state)
{
    Pane pane(0, 0);
    pane.disp.m_renderer.m_b3D = 1;
    pane.disp.m_renderer.m_bGrid = state.range(0);
    for (auto _ : state)
        pane.disp.DrawScene();
}
BENCHMARK(BM_DrawScene3D)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

struct Samples {
    std::vector<std::uint16_t> raw;
    RenderView view;
    Samples() : raw(kW * kH)
    {
        for (int i = 0; i < kW * kH; ++i)
            raw[i] = static_cast<std::uint16_t>(19000 + (i * 37) % 3000);
        view.imageWidth = kW;
        view.imageHeight = kH;
        view.flip = 3;
    }
};

void BM_CalcRectStats100(benchmark::State& state)
{
    Samples s;
    RectShape r{50, 40, 100, 100};
    RoiStats out;
    for (auto _ : state) {
        CStaticDisplay::CalcRectStats(SampleBlock{s.raw.data(), kW, kH}, &s.view, &r, &out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_CalcRectStats100);

void BM_CalcPolygonStats100(benchmark::State& state)
{
    Samples s;
    PolygonShape p;
    p.m_points = {{50, 40}, {149, 40}, {149, 139}, {50, 139}};
    RoiStats out;
    for (auto _ : state) {
        CStaticDisplay::CalcPolygonStats(SampleBlock{s.raw.data(), kW, kH}, &s.view, &p, &out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_CalcPolygonStats100);

}  // namespace
