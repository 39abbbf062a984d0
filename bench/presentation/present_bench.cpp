// Frame arrival to presentation on the screen, in 2D and in 3D, with a histogram of the latency,
// and the CPU time of the run split by thread.
//
// bench_presentation [seconds per mode, default 30] [rectangles, default 0]
//
// The window fills a 1920 x 1080 screen: the thermal display of the main window's size (PCBA
// Check, with the given number of rectangles on the image) and the colour bar beside it, fed by
// the application's capture and display workers from the emulated module (VANTREL_CAMERA=emulated,
// set by the benchmark environment). Run it under a real X server (DISPLAY set,
// SDL_VIDEODRIVER=x11) to measure what a user sees; the off-screen driver is the default.
//
// Each camera frame carries its sequence number and the monotonic time at which the camera SDK's
// stream thread handed it over; the mean that ends with it carries them on into the colouring and
// the paint. A frame's latency is the time from that hand-over to the presentation that first
// shows a paint of its colours. A frame that was never shown (a slower paint skips frames) counts
// nowhere but in the frames skipped.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#include "app/CVantrelApp.h"
#include "foundation/CAutoLock.h"
#include "platform/user/CWnd.h"
#include "platform/user/surface.h"
#include "view/COGLSlider.h"
#include "view/CStaticDisplay.h"

namespace {

using Clock = std::chrono::steady_clock;

// steady_clock is CLOCK_MONOTONIC here, the clock of the frames' stamps.
std::uint64_t NowNs()
{
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count());
}

double MsBetween(std::uint64_t from, std::uint64_t to) { return static_cast<double>(to - from) / 1e6; }

long ThreadId() { return static_cast<long>(syscall(SYS_gettid)); }

std::atomic<long> g_captureThread{0};
std::atomic<long> g_displayThread{0};

}  // namespace

// The capture worker's frame get, wrapped only to learn which thread is the capture worker.
extern "C" int __real_uvc_frame_get_stamped(void* raw, frame_stamp_t* stamp);
extern "C" int __wrap_uvc_frame_get_stamped(void* raw, frame_stamp_t* stamp)
{
    g_captureThread = ThreadId();
    return __real_uvc_frame_get_stamped(raw, stamp);
}

namespace {

// ---- what the screen shows ----

// Where a shown frame's time went, in milliseconds from its arrival: until its paint began, until
// the paint ended, until it was presented.
struct Stages {
    double paintStart, paintEnd, present;
};

struct Shown {
    frame_stamp_t painted{};  // the frame of the display's last paint
    std::uint64_t paintStartNs = 0, paintEndNs = 0;
    std::uint32_t presented = 0;  // the sequence number of the newest frame presented
    bool anyPresented = false;
    bool measuring = false;
    std::vector<Stages> stages;
    int presents = 0;
};
Shown g_shown;  // user-interface thread only

class TimedDisplay : public CStaticDisplay {
public:
    void OnPaint()
    {
        const std::uint64_t start = NowNs();
        CStaticDisplay::OnPaint();
        g_shown.painted = PaintedFrame();
        g_shown.paintStartNs = start;
        g_shown.paintEndNs = NowNs();
    }
    DECLARE_MESSAGE_MAP()

protected:
    DWORD Action() override
    {
        g_displayThread = ThreadId();
        return CStaticDisplay::Action();
    }
};

BEGIN_MESSAGE_MAP(TimedDisplay, CStaticDisplay)
ON_WM_PAINT()
END_MESSAGE_MAP()

void OnPresented(HWND)
{
    Shown& s = g_shown;
    if (!s.measuring) return;
    ++s.presents;
    const frame_stamp_t frame = s.painted;
    if (frame.arrival_ns == 0 || (s.anyPresented && static_cast<std::int32_t>(frame.sequence - s.presented) <= 0)) return;
    s.presented = frame.sequence;
    s.anyPresented = true;
    s.stages.push_back(Stages{MsBetween(frame.arrival_ns, s.paintStartNs), MsBetween(frame.arrival_ns, s.paintEndNs),
                              MsBetween(frame.arrival_ns, NowNs())});
}

class BenchWindow : public CWnd {
public:
    COGLSlider* slider = nullptr;
    LRESULT OnWorkerNotify(WPARAM code, LPARAM)
    {
        if (code == NOTIFY_FRAME_SHOWN) slider->UpdateMarkers(0);
        Tip tip;
        while (code == NOTIFY_TIP && theApp.m_capture.GetTip(tip)) {
        }
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BenchWindow, CWnd)
ON_MESSAGE(WM_WORKER_NOTIFY, &BenchWindow::OnWorkerNotify)
END_MESSAGE_MAP()

// ---- CPU time of this process's threads ----

double TicksToSeconds(unsigned long long ticks) { return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK)); }

// User and system time from a stat line (fields 14 and 15, after the name in parentheses).
unsigned long long StatTicks(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return utime + stime;
}

// The thread's part in the run: the user-interface thread, the two workers of the frame road, the
// software OpenGL driver's threads, or the rest (the emulated module's stream, the window system).
std::string ThreadRole(long tid, const std::string& name)
{
    if (tid == getpid()) return "user interface";
    if (tid == g_displayThread) return "display worker";
    if (tid == g_captureThread) return "capture worker";
    if (name.rfind("llvmpipe-", 0) == 0) return "llvmpipe (software GL)";
    return "other";
}

// CPU seconds by role; the process's total includes threads that have ended.
struct CpuTimes {
    double process = 0;
    std::map<std::string, double> byRole;
};

CpuTimes ReadCpuTimes()
{
    CpuTimes t;
    t.process = TicksToSeconds(StatTicks("/proc/self/stat"));
    DIR* dir = opendir("/proc/self/task");
    while (dirent* e = dir ? readdir(dir) : nullptr) {
        if (e->d_name[0] == '.') continue;
        const std::string task = std::string("/proc/self/task/") + e->d_name;
        std::ifstream comm(task + "/comm");
        std::string name;
        std::getline(comm, name);
        t.byRole[ThreadRole(std::atol(e->d_name), name)] += TicksToSeconds(StatTicks(task + "/stat"));
    }
    if (dir) closedir(dir);
    return t;
}

// ---- the run ----

void RunFor(std::chrono::milliseconds span)
{
    const auto end = Clock::now() + span;
    MSG msg;
    while (Clock::now() < end) {
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

double Percentile(double Stages::*stage, double p)
{
    std::vector<double> v;
    for (const Stages& s : g_shown.stages) v.push_back(s.*stage);
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5)];
}

std::uint32_t NewestArrival()
{
    CAutoLock lock(&theApp.m_capture.m_lockRecords);
    return theApp.m_capture.m_liveStamp.sequence;
}

void PrintHistogram(const char* mode)
{
    constexpr double kBin = 5.0;
    constexpr int kBins = 20;
    int counts[kBins + 1] = {};
    for (const Stages& s : g_shown.stages) counts[std::min(kBins, static_cast<int>(s.present / kBin))]++;
    const double total = std::max<double>(1.0, static_cast<double>(g_shown.stages.size()));
    std::printf("%s: arrival to screen, frames by 5 ms:\n", mode);
    for (int i = 0; i <= kBins; ++i) {
        if (counts[i] == 0) continue;
        char bin[32];
        if (i < kBins) std::snprintf(bin, sizeof bin, "%3.0f-%3.0f ms", i * kBin, (i + 1) * kBin);
        else std::snprintf(bin, sizeof bin, "  >=%3.0f ms", kBins * kBin);
        std::printf("  %s %6d %5.1f %% %s\n", bin, counts[i], 100.0 * counts[i] / total,
                    std::string(static_cast<std::size_t>(60.0 * counts[i] / total + 0.5), '#').c_str());
    }
}

void Measure(const char* mode, std::chrono::seconds span)
{
    g_shown.stages.clear();
    g_shown.presents = 0;
    const std::uint32_t firstArrival = NewestArrival();
    const CpuTimes before = ReadCpuTimes();
    g_shown.measuring = true;
    RunFor(span);
    g_shown.measuring = false;
    const CpuTimes after = ReadCpuTimes();
    const double seconds = static_cast<double>(span.count());
    const double arrived = static_cast<double>(NewestArrival() - firstArrival);
    const double shown = static_cast<double>(g_shown.stages.size());
    std::printf("%s: %.1f frames/s arrived, %.1f new frames/s shown (%.0f skipped), %.1f presentations/s\n", mode,
                arrived / seconds, shown / seconds, std::max(0.0, arrived - shown), g_shown.presents / seconds);
    std::printf("%s: arrival to screen median %.1f ms, 95th percentile %.1f ms\n", mode, Percentile(&Stages::present, 0.5),
                Percentile(&Stages::present, 0.95));
    std::printf("%s: medians from arrival: paint start %.1f ms, paint end %.1f ms\n", mode, Percentile(&Stages::paintStart, 0.5),
                Percentile(&Stages::paintEnd, 0.5));
    PrintHistogram(mode);
    double own = after.process - before.process;
    std::string split;
    for (const auto& [role, total] : after.byRole) {
        const auto it = before.byRole.find(role);
        const double used = total - (it == before.byRole.end() ? 0.0 : it->second);
        if (role.rfind("llvmpipe", 0) == 0) own -= used;
        char part[96];
        std::snprintf(part, sizeof part, "%s%s %.1f %%", split.empty() ? "" : ", ", role.c_str(), used / seconds * 100.0);
        split += part;
    }
    std::printf("%s: CPU %.1f %% of a core in our own threads (all but llvmpipe); by thread: %s\n", mode, own / seconds * 100.0,
                split.c_str());
}

// Rectangles laid out over the 256 x 192 image in rows, as a user would put them on the boards.
void AddRectangles(RenderView& view, int count)
{
    const int columns = count <= 10 ? 5 : 10;
    const int rows = (count + columns - 1) / columns;
    const int cellW = 256 / columns, cellH = 192 / std::max(rows, 1);
    for (int i = 0; i < count; ++i) {
        const int x = (i % columns) * cellW + 2, y = (i / columns) * cellH + 4;
        view.rects.push_back(new RectShape{x, y, cellW - 6, std::max(cellH - 8, 3)});
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const auto span = std::chrono::seconds(argc > 1 ? std::max(1, std::atoi(argv[1])) : 30);
    const int rectangles = argc > 2 ? std::max(0, std::atoi(argv[2])) : 0;
    BenchWindow top;
    if (!top.CreateEx(0, nullptr, "presentation bench", WS_POPUP | WS_VISIBLE, 0, 0, 1920, 1080, nullptr, nullptr)) {
        std::fprintf(stderr, "bench_presentation: no window\n");
        return 1;
    }
    CIRDataCapture& capture = theApp.m_capture;
    COGLSlider slider;
    slider.m_pColorMap = &capture.m_colorMap;
    TimedDisplay display;
    display.m_pIconFlags = slider.m_bIcon;
    display.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(330, 110, 1615, 1040), &top, 4000);
    COGLSlider::SetMainDisplay(&display);
    slider.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(1615, 110, 1740, 1040), &top, 5000);
    top.slider = &slider;
    AddRectangles(display.m_renderer.m_pViews[0], rectangles);
    display.m_pImage = &capture.m_frameLive;
    capture.SetWndMsg(top.GetSafeHwnd(), WM_WORKER_NOTIFY);
    capture.m_bLoop = 1;
    capture.m_bNotify = 0;
    display.SetWndMsg(top.GetSafeHwnd(), WM_WORKER_NOTIFY);
    display.m_bLoop = 1;
    display.m_bNotify = 0;
    platform::user::SetPresentObserver(OnPresented);
    capture.ThreadWorkerStart();
    display.ThreadWorkerStart();

    std::printf("1920 x 1080, PCBA Check, %d rectangles\n", rectangles);
    RunFor(std::chrono::seconds(3));  // the camera opens, the colour window settles
    Measure("2D", span);
    display.m_renderer.m_b3D = true;
    display.Invalidate(FALSE);
    RunFor(std::chrono::seconds(2));
    Measure("3D", span);

    platform::user::SetPresentObserver(nullptr);
    display.ThreadWorkerStop();
    capture.ThreadWorkerStop();
    display.m_pImage = nullptr;
    COGLSlider::SetMainDisplay(nullptr);
    top.slider = nullptr;
    top.DestroyWindow();
    return 0;
}
