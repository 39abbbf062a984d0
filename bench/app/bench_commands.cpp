// The main window's recording, playback and curve feeding, in the real window on the emulated
// camera (25 frames a second, off-screen):
//
// - BM_Recording: Rec held for VANTREL_BENCH_RECORD_SECONDS (default 600, ten minutes). Frames
//   the camera delivered while recording against frames in the file, with the file's frames told
//   apart by their samples (each frame of the emulated scene is its own), so that a frame lost or
//   written twice shows; the longest time a message to the user-interface thread waited while it
//   ran (a probe posts one every 5 ms); the file's size.
// - BM_PlaybackPace: the time from one played frame to the next against the 50 ms the playback
//   waits between frames.
// - BM_UpdateCurves: one feeding of ten curve windows in Compare mode, as for each live frame;
//   BM_CurveWindowsLive: the same windows fed and painted with the live frames for 20 s, the
//   points each got against the frames delivered and the user-interface thread's longest wait.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/CVantrelApp.h"
#include "app/CVantrelDlg.h"
#include "controls/InitGdiplus.h"
#include "emulator/src/emulator.h"
#include "foundation/CAutoLock.h"
#include "platform/kernel/clock.h"
#include "platform/user/CWnd.h"
#include "platform/user/message_queue.h"
#include "tests/controls/ThumbnailFiles.h"

namespace {

constexpr int kW = 256;
constexpr int kH = 192;
constexpr UINT kProbe = WM_USER + 0x310;

long long NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Handles the user-interface thread's messages as the modal loop would, for a while.
void Serve(DWORD ms)
{
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        if (AfxPreTranslateTree(nullptr, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

// A hidden window of the user-interface thread that notes how long its stamped messages waited.
class ProbeWindow : public CWnd {
public:
    std::atomic<long long> longestWaitUs{0};

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != kProbe) return CWnd::WindowProc(message, wParam, lParam);
        longestWaitUs = std::max(longestWaitUs.load(), NowUs() - static_cast<long long>(lParam));
        return 0;
    }
};

// Stamps a message to the probe window every 5 ms while it lives.
class Prober {
public:
    explicit Prober(HWND target)
        : m_thread([this, target] {
              while (m_running) {
                  ::PostMessage(target, kProbe, 0, static_cast<LPARAM>(NowUs()));
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          })
    {
    }
    ~Prober()
    {
        m_running = false;
        m_thread.join();
    }

private:
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};

// The program's main window, made once, with the camera streaming.
struct Program {
    CVantrelDlg dlg;
    ProbeWindow probe;

    Program()
    {
        InitGdiplus();
        CTickerZel::Init();
        dlg.Create(IDD_VANTREL_DIALOG);
        probe.CreateEx(0, nullptr, "probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr);
        // Until the camera has delivered a frame.
        const DWORD start = GetTickCount();
        for (;;) {
            Serve(50);
            CAutoLock lock(&theApp.m_capture.m_lockRecords);
            if (theApp.m_capture.m_frameLive.temp_data != nullptr || GetTickCount() - start > 20000) break;
        }
    }
    // As a click: the button toggles before its command.
    void Press(int button)
    {
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOLBAR_FIRST + button, BN_CLICKED),
                        reinterpret_cast<LPARAM>(dlg.m_btn[button].GetSafeHwnd()));
    }
};

Program* g_program = nullptr;

// Closes the window as the program does before it ends, so that no worker runs on while the
// process's own objects are destroyed.
void CloseTheProgram()
{
    if (g_program->dlg.GetSafeHwnd() != nullptr) g_program->dlg.DestroyWindow();
    if (g_program->probe.GetSafeHwnd() != nullptr) g_program->probe.DestroyWindow();
    delete g_program;
}

Program& TheProgram()
{
    static const bool made = [] {
        static const thumbnail_test::DataFolder folder;
        g_program = new Program;
        std::atexit(CloseTheProgram);
        return true;
    }();
    (void)made;
    return *g_program;
}

// The sequence number of the scene frame whose samples these are, looked for from `from` on.
long SceneFrameNumber(const std::vector<std::uint16_t>& samples, std::uint32_t seed, std::uint32_t from, std::uint32_t until)
{
    for (std::uint32_t n = from; n < until; ++n) {
        bool same = true;
        for (int k = 0; k < 12 && same; ++k) {
            const int x = 21 * k + 3, y = 15 * k + 2;
            same = samples[static_cast<std::size_t>(y) * kW + x] == emu_scene_sample(seed, n, x, y);
        }
        if (same) return static_cast<long>(n);
    }
    return -1;
}

void BM_Recording(benchmark::State& state)
{
    Program& p = TheProgram();
    const char* env = std::getenv("VANTREL_BENCH_RECORD_SECONDS");
    const DWORD seconds = env != nullptr ? static_cast<DWORD>(std::atoi(env)) : 600;
    for (auto _ : state) {
        const std::uint64_t deliveredBefore = emu_frames_delivered();
        p.probe.longestWaitUs = 0;
        {
            const Prober prober(p.probe.GetSafeHwnd());
            p.Press(CVantrelDlg::kRecord);
            Serve(seconds * 1000);
            p.Press(CVantrelDlg::kRecord);
        }
        const std::uint64_t delivered = emu_frames_delivered() - deliveredBefore;
        const std::string path = p.dlg.m_strRecordPath.GetString();

        CVideoFile reader;
        reader.OpenInput(path.c_str());
        std::vector<std::uint16_t> frame(static_cast<std::size_t>(kW) * kH);
        long written = 0, unknown = 0, repeated = 0, skipped = 0, last = -1;
        const auto until = static_cast<std::uint32_t>(emu_frames_delivered());
        while (reader.ReadFrame(frame.data(), frame.size() * 2) == 0) {
            ++written;
            const long n = SceneFrameNumber(frame, emu_seed(), last < 0 ? static_cast<std::uint32_t>(deliveredBefore) : static_cast<std::uint32_t>(last), until);
            if (n < 0) {
                ++unknown;
                continue;
            }
            if (n == last) ++repeated;
            if (last >= 0 && n > last + 1) skipped += n - last - 1;
            last = n;
        }
        reader.CloseInput();
        state.counters["seconds"] = seconds;
        state.counters["frames_delivered"] = static_cast<double>(delivered);
        state.counters["frames_written"] = static_cast<double>(written);
        state.counters["frames_skipped"] = static_cast<double>(skipped);
        state.counters["frames_twice"] = static_cast<double>(repeated);
        state.counters["frames_unknown"] = static_cast<double>(unknown);
        state.counters["ui_longest_wait_ms"] = static_cast<double>(p.probe.longestWaitUs.load()) / 1000.0;
        state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
        std::filesystem::remove(path);
    }
}
BENCHMARK(BM_Recording)->Iterations(1)->Unit(benchmark::kSecond);

void BM_PlaybackPace(benchmark::State& state)
{
    Program& p = TheProgram();
    constexpr int kFrames = 100;
    const std::string path = platform::files::DataFolder().GetString() + std::string("pace.avi");
    {
        CVideoFile writer;
        writer.OpenOutput(path.c_str(), kW, kH);
        std::vector<std::uint16_t> samples(static_cast<std::size_t>(kW) * kH);
        for (int i = 0; i < kFrames; ++i) {
            std::fill(samples.begin(), samples.end(), static_cast<std::uint16_t>(19000 + i));
            samples[0] = static_cast<std::uint16_t>(20000 + i);
            writer.WriteFrame(samples.data());
        }
        writer.CloseOutput();
    }
    p.Press(CVantrelDlg::kSourceVideo);
    const IrFrame& video = theApp.m_capture.m_frameVideo;
    for (auto _ : state) {
        std::vector<long long> shown;
        int sample = -1;
        p.dlg.StartPlayback(path.c_str());
        while (p.dlg.IsThreadWorkerRunning()) {
            int now;
            {
                CAutoLock lock(&theApp.m_capture.m_lockRecords);
                now = video.temp_data != nullptr ? video.temp_data[kW * kH / 2] : -1;
            }
            if (now != sample) {
                sample = now;
                shown.push_back(NowUs());
            }
            MSG msg;
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::vector<double> gaps;
        for (std::size_t i = 1; i < shown.size(); ++i) gaps.push_back(static_cast<double>(shown[i] - shown[i - 1]) / 1000.0);
        std::sort(gaps.begin(), gaps.end());
        double sum = 0;
        for (double g : gaps) sum += g;
        state.SetIterationTime(static_cast<double>(shown.back() - shown.front()) / 1e6);
        state.counters["frames_shown"] = static_cast<double>(shown.size());
        state.counters["mean_ms_per_frame"] = gaps.empty() ? 0 : sum / static_cast<double>(gaps.size());
        state.counters["p95_ms_per_frame"] = gaps.empty() ? 0 : gaps[gaps.size() * 95 / 100];
        state.counters["max_ms_per_frame"] = gaps.empty() ? 0 : gaps.back();
    }
    p.Press(CVantrelDlg::kSourceCamera);
    std::filesystem::remove(path);
}
BENCHMARK(BM_PlaybackPace)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Compare mode with ten regions on the left board, each with its curve window.
void OpenTenCurveWindows(Program& p)
{
    p.Press(CVantrelDlg::kModeCompare);
    CStaticDisplay& display = p.dlg.m_display;
    RenderView& view = display.m_renderer.m_pViews[0];
    for (int i = 0; i < 10; ++i) {
        {
            CAutoLock lock(&display.m_lockDisplay);
            view.rects.push_back(new RectShape{4 + 12 * i, 20 + 15 * i, 40, 30});
        }
        display.OnShapeChanged(SHAPE_RECT, i, SHAPE_ADDED);
    }
    Serve(200);
}

void CloseCurveWindows(Program& p)
{
    p.Press(CVantrelDlg::kModePcba);
    Serve(200);
}

void BM_UpdateCurves(benchmark::State& state)
{
    Program& p = TheProgram();
    OpenTenCurveWindows(p);
    for (auto _ : state) p.dlg.m_display.UpdateCurves();
    state.counters["curve_windows"] = static_cast<double>(p.dlg.m_curveDlgs.size());
    CloseCurveWindows(p);
}
BENCHMARK(BM_UpdateCurves)->Unit(benchmark::kMicrosecond);

// The same windows fed by the live frames and painted, as the user sees them, for 20 s.
void BM_CurveWindowsLive(benchmark::State& state)
{
    Program& p = TheProgram();
    OpenTenCurveWindows(p);
    for (auto _ : state) {
        const std::uint64_t deliveredBefore = emu_frames_delivered();
        const int fedBefore = p.dlg.m_curveDlgs[0]->m_nSamples;
        p.probe.longestWaitUs = 0;
        {
            const Prober prober(p.probe.GetSafeHwnd());
            Serve(20000);
        }
        state.counters["frames_delivered"] = static_cast<double>(emu_frames_delivered() - deliveredBefore);
        state.counters["points_per_window"] = p.dlg.m_curveDlgs[0]->m_nSamples - fedBefore;
        state.counters["ui_longest_wait_ms"] = static_cast<double>(p.probe.longestWaitUs.load()) / 1000.0;
    }
    CloseCurveWindows(p);
}
BENCHMARK(BM_CurveWindowsLive)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
