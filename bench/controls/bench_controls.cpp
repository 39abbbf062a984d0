// The thumbnail lists scanning 1,000 snapshots and 100 recordings and reloading them, timed per
// file, with the longest time the user-interface thread kept a message waiting meanwhile (wall
// time, so the machine's other load counts in) and its longest single step (its own CPU time);
// and the real-time plot's paint with two full curves of 4,096 points at 1000 x 400.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

#include <time.h>

#include "app/CVantrelApp.h"
#include "controls/CListCtrlThumbnail.h"
#include "controls/CPlot.h"
#include "platform/user/CWnd.h"
#include "platform/user/surface.h"
#include "tests/controls/ThumbnailFiles.h"

namespace {

constexpr int kSnapshots = 1000;
constexpr int kRecordings = 100;
constexpr int kRecordingFrames = 25;
constexpr UINT kProbe = WM_USER + 0x300;

// CPU time of the calling thread: what it spent working, whatever else the machine ran meanwhile.
long long ThreadCpuUs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

long long NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Notes how long the probe's stamped messages waited in the queue.
class ProbeHost : public CWnd {
public:
    long long longestWaitUs = 0;

    BOOL CreateTop(int w, int h) { return CreateEx(0, nullptr, "bench", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr, nullptr); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kProbe) {
            longestWaitUs = std::max(longestWaitUs, NowUs() - static_cast<long long>(lParam));
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// A thumbnail list that tells without waiting whether its loader has ended.
class TimedList : public CListCtrlThumbnail {
public:
    using CListCtrlThumbnail::CListCtrlThumbnail;
    bool Finished() { return WaitForSingleObject(m_evFinished, 0) == WAIT_OBJECT_0; }
};

// The fonts load at the first text a process draws; in the program that is long before a list
// fills.
void LoadFonts()
{
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&dc, 64, 16);
    CBitmap* old = dc.SelectObject(&bitmap);
    RECT r{0, 0, 64, 16};
    dc.DrawText("20240303.ir", -1, &r, DT_LEFT | DT_SINGLELINE);
    dc.SelectObject(old);
}

const thumbnail_test::DataFolder& Files()
{
    static const auto* folder = [] {
        LoadFonts();
        auto* f = new thumbnail_test::DataFolder;
        for (int i = 0; i < kSnapshots; ++i)
            f->Snapshot("shot" + std::to_string(i) + ".ir", i % 2 == 0);
        for (int i = 0; i < kRecordings; ++i)
            f->Recording("rec" + std::to_string(i) + ".avi", i % 2 == 0, kRecordingFrames);
        return f;
    }();
    return *folder;
}

// The main window's two lists, each 260 x 530, in a host of the given size that a probe thread
// stamps every millisecond. Every change the lists make is composed and presented with the whole
// host, so its size weighs on the user-interface thread too.
struct Lists {
    ProbeHost host;
    TimedList images{CListCtrlThumbnail::kImages};
    TimedList videos{CListCtrlThumbnail::kVideos};

    Lists(int width, int height)
    {
        host.CreateTop(width, height);
        images.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 260, 530), &host, 6000);
        videos.Create(WS_CHILD | WS_VISIBLE, CRect(270, 0, 530, 530), &host, 6001);
        // The window's first paint and presentation are its own start-up, not the loaders' doing.
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
        platform::user::PresentChangedWindows();
    }
    ~Lists()
    {
        images.DestroyWindow();
        videos.DestroyWindow();
        host.DestroyWindow();
    }

    struct Run {
        double imagesMs;
        double videosMs;
        double wallMs;
        double longestWaitMs;
        double longestStepCpuMs;  // the user-interface thread's longest step between two messages
    };
    // Both loaders with the action, the user-interface thread serving its queue until both end.
    Run Load(int action)
    {
        std::atomic<bool> probing{true};
        HWND target = host.m_hWnd;
        std::thread probe([&] {
            while (probing) {
                ::PostMessage(target, kProbe, 0, static_cast<LPARAM>(NowUs()));
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        host.longestWaitUs = 0;
        const long long start = NowUs();
        long long imagesEnd = 0, videosEnd = 0;
        images.m_nAction = videos.m_nAction = action;
        images.ThreadWorkerStart();
        videos.ThreadWorkerStart();
        long long longestStep = 0;
        while (imagesEnd == 0 || videosEnd == 0) {
            MSG msg;
            const long long before = ThreadCpuUs();
            if (GetMessage(&msg, nullptr, 0, 0)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
            longestStep = std::max(longestStep, ThreadCpuUs() - before);
            if (imagesEnd == 0 && images.Finished())
                imagesEnd = NowUs();
            if (videosEnd == 0 && videos.Finished())
                videosEnd = NowUs();
        }
        probing = false;
        probe.join();
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
        return Run{(imagesEnd - start) / 1000.0, (videosEnd - start) / 1000.0,
                   (std::max(imagesEnd, videosEnd) - start) / 1000.0, host.longestWaitUs / 1000.0, longestStep / 1000.0};
    }
};

struct Longest {
    double waitMs = 0;
    double stepCpuMs = 0;
};

void Report(benchmark::State& state, const Lists::Run& run, Longest* longest)
{
    longest->waitMs = std::max(longest->waitMs, run.longestWaitMs);
    longest->stepCpuMs = std::max(longest->stepCpuMs, run.longestStepCpuMs);
    state.SetIterationTime(run.wallMs / 1000.0);
    state.counters["snapshot_ms_per_file"] = run.imagesMs / kSnapshots;
    state.counters["recording_ms_per_file"] = run.videosMs / kRecordings;
    state.counters["wall_ms_per_file"] = run.wallMs / (kSnapshots + kRecordings);
    state.counters["ui_longest_wait_ms"] = longest->waitMs;
    state.counters["ui_longest_step_cpu_ms"] = longest->stepCpuMs;
}

void BM_ScanBothLists(benchmark::State& state)
{
    Files();
    Longest longest;
    for (auto _ : state) {
        Lists lists(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
        const Lists::Run run = lists.Load(CListCtrlThumbnail::kScan);
        if (lists.images.GetItemCount() != kSnapshots || lists.videos.GetItemCount() != kRecordings)
            state.SkipWithError("the scan missed files");
        Report(state, run, &longest);
    }
}
// Arguments: the host's width and height (the lists alone, and the main window's full size).
BENCHMARK(BM_ScanBothLists)->Args({540, 540})->Args({1920, 1080})->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ReloadBothLists(benchmark::State& state)
{
    Files();
    Lists lists(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    lists.Load(CListCtrlThumbnail::kScan);
    Longest longest;
    for (auto _ : state) {
        const Lists::Run run = lists.Load(CListCtrlThumbnail::kReload);
        Report(state, run, &longest);
    }
}
BENCHMARK(BM_ReloadBothLists)->Args({540, 540})->Args({1920, 1080})->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// A 1000 x 400 plot holding two full curves of 4,096 points, showing x from `low` to `high`.
struct PlotPane {
    ProbeHost host;
    RealtimeCurve::CPlot plot;

    PlotPane(float low, float high, double tickStep)
    {
        host.CreateTop(1000, 400);
        plot.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, 1000, 400), &host, 1016);
        plot.AddCurve("Max1", PS_SOLID, RGB(255, 0, 0), 2, 4096);
        plot.AddCurve("Max2", PS_SOLID, RGB(0, 255, 0), 2, 4096);
        plot.m_dTickStepX = tickStep;
        plot.GetYAxis().m_fMin = plot.GetYAxis().m_fDataMin = 20.0f;
        plot.GetYAxis().m_fMax = plot.GetYAxis().m_fDataMax = 50.0f;
        for (int i = 0; i < 4096; ++i) {
            plot.AddPoint(static_cast<float>(i), 35.0f + 12.0f * std::sin(i / 40.0f), 0);
            plot.AddPoint(static_cast<float>(i), 33.0f + 10.0f * std::cos(i / 55.0f), 1);
        }
        plot.GetXAxis().m_fMin = low;
        plot.GetXAxis().m_fMax = high;
    }
    ~PlotPane()
    {
        plot.DestroyWindow();
        host.DestroyWindow();
    }
};

void PaintPlot(benchmark::State& state, PlotPane& pane)
{
    for (auto _ : state) {
        pane.plot.Invalidate(FALSE);
        pane.plot.UpdateWindow();
    }
}

// The whole data range: every point drawn, nine x labels.
void BM_PlotPaintWholeRange(benchmark::State& state)
{
    PlotPane pane(0.0f, 4096.0f, 512.0);
    PaintPlot(state, pane);
}
BENCHMARK(BM_PlotPaintWholeRange)->Unit(benchmark::kMillisecond);

// The curve window's own view after 4,096 samples: the newest 200 and ten empty units, the other
// points clipped away, a label per unit.
void BM_PlotPaintCurveWindowView(benchmark::State& state)
{
    PlotPane pane(3896.0f, 4106.0f, 1.0);
    PaintPlot(state, pane);
}
BENCHMARK(BM_PlotPaintCurveWindowView)->Unit(benchmark::kMillisecond);

}  // namespace
