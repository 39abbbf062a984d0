// One paint of each skinned control at the size the main window gives it: the title light (image
// and text), the status light (stretched background image and text) at a 1920-pixel-wide window,
// a toolbar button with image and caption (plain, checked, disabled) and the scroll bar 600 high.
#include <benchmark/benchmark.h>

#include "controls/CSignalLight.h"
#include "controls/CSkinVerticleScrollbar.h"
#include "controls/CZelHeteromorphicBtn.h"
#include "controls/InitGdiplus.h"
#include "platform/user/CWnd.h"

namespace {

// The main window's place: a window of a 1920 x 1080 screen, one for each benchmark.
class Host : public CWnd {
public:
    Host()
    {
        static const int started = InitGdiplus();
        (void)started;
        CreateEx(0, nullptr, "bench", WS_POPUP | WS_VISIBLE, 0, 0, 1920, 1080, nullptr, nullptr);
    }
};

// Paints the window once, as the paint cycle does after an invalidation.
void Paint(benchmark::State& state, CWnd& window)
{
    for (auto _ : state) {
        window.Invalidate();
        window.UpdateWindow();
    }
}

void LightPaint(benchmark::State& state, bool status)
{
    Host host;
    CSignalLight light;
    light.Create(status ? "Camera connected" : "Ostrel", WS_CHILD | WS_VISIBLE,
                 status ? CRect(325, 5, 1595, 65) : CRect(10, 5, 320, 65), &host, 1000);
    light.SetTextColor(0xFFFFFFFF);
    light.SetFontName("微软雅黑");
    light.SetFontSize(status ? 12 : 14);
    light.SetAlignFlags(0x100);
    if (status)
        light.SetBkImage(144, "PNG");
    else
        light.SetImage(143, "PNG");
    Paint(state, light);
}

void BM_TitleLight(benchmark::State& state) { LightPaint(state, false); }
void BM_StatusLight(benchmark::State& state) { LightPaint(state, true); }

// state.range(0): 0 plain, 1 checked, 2 disabled.
void BM_ToolbarButton(benchmark::State& state)
{
    Host host;
    CZelHeteromorphicBtn button;
    button.Create("Flip", WS_CHILD | WS_VISIBLE | BS_CHECKBOX, CRect(20, 150, 105, 250), &host, 3008);
    button.SetFontName("微软雅黑");
    button.SetShapeImage(147, "PNG");
    button.SetCheck(state.range(0) == 1, FALSE);
    button.EnableWindow(state.range(0) != 2);
    Paint(state, button);
}

void BM_Scrollbar(benchmark::State& state)
{
    Host host;
    CListCtrl list;
    list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER, CRect(500, 150, 760, 750), &host, 6000);
    for (int i = 0; i < 200; ++i)
        list.InsertItem(i, "20261210_120000_000.ir");
    CSkinVerticleScrollbar bar;
    bar.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(760, 150, 772, 750), &host, 6100);
    bar.m_pList = &list;
    for (auto _ : state)
        bar.UpdateThumb();
}

BENCHMARK(BM_TitleLight)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StatusLight)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ToolbarButton)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Scrollbar)->Unit(benchmark::kMicrosecond);

}  // namespace
