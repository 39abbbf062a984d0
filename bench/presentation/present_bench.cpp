// Frame arrival in the capture worker to presentation on the screen, in 2D and in 3D, and the CPU
// time of the run split into our own threads and the software OpenGL driver's (llvmpipe-*).
//
// bench_presentation [seconds per mode, default 30]
//
// The window fills a 1920 x 1080 screen: the thermal display of the main window's size and the
// colour bar beside it, fed by the application's capture and display workers from the emulated
// module (VANTREL_CAMERA=emulated, set by the benchmark environment). Run it under a real X
// server (DISPLAY set, SDL_VIDEODRIVER=x11) to measure what a user sees; the off-screen driver is
// the default.
//
// A presented frame's latency is the time from its arrival (the capture worker's frame get
// returned it) to the presentation that first shows the display painted with it; a frame that
// was never shown (a slow 3D paint skips frames) counts nowhere. The frame a paint shows is the
// newest that had arrived when the display worker's notice of a coloured frame was handled.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/CVantrelApp.h"
#include "platform/user/CWnd.h"
#include "platform/user/surface.h"
#include "view/COGLSlider.h"
#include "view/CStaticDisplay.h"

namespace {

using Clock = std::chrono::steady_clock;

// ---- frame arrivals, stamped by the wrapped frame get ----

std::mutex g_arrivalMutex;
std::vector<Clock::time_point> g_arrivals;  // by frame number

int NewestArrival()
{
    std::lock_guard lock(g_arrivalMutex);
    return static_cast<int>(g_arrivals.size()) - 1;
}

Clock::time_point ArrivalOf(int frame)
{
    std::lock_guard lock(g_arrivalMutex);
    return g_arrivals[static_cast<std::size_t>(frame)];
}

}  // namespace

extern "C" int __real_uvc_frame_get(void* raw);
extern "C" int __wrap_uvc_frame_get(void* raw)
{
    const int result = __real_uvc_frame_get(raw);
    if (result == 0) {
        std::lock_guard lock(g_arrivalMutex);
        g_arrivals.push_back(Clock::now());
    }
    return result;
}

namespace {

// ---- what the screen shows ----

// Where a shown frame's time went, from its arrival: until the user-interface thread had its
// notice of the coloured frame, until its paint began, until the paint ended, until presented.
struct Stages {
    double notice, paintStart, paintEnd, present;
};

struct Shown {
    int coloured = -1;  // the frame the display worker coloured last
    Clock::time_point colouredAt;
    int painted = -1;  // the frame of the display's last paint
    Clock::time_point paintStartAt, paintEndAt, paintColouredAt;
    int presented = -1;  // the newest frame presented
    bool measuring = false;
    std::vector<Stages> stages;
    int presents = 0;
};
Shown g_shown;  // user-interface thread only

class TimedDisplay : public CStaticDisplay {
public:
    void OnPaint()
    {
        const int frame = g_shown.coloured;
        const Clock::time_point colouredAt = g_shown.colouredAt, start = Clock::now();
        CStaticDisplay::OnPaint();
        g_shown.painted = frame;
        g_shown.paintColouredAt = colouredAt;
        g_shown.paintStartAt = start;
        g_shown.paintEndAt = Clock::now();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TimedDisplay, CStaticDisplay)
ON_WM_PAINT()
END_MESSAGE_MAP()

void OnPresented(HWND)
{
    if (!g_shown.measuring) return;
    ++g_shown.presents;
    if (g_shown.painted <= g_shown.presented) return;
    g_shown.presented = g_shown.painted;
    const Clock::time_point arrival = ArrivalOf(g_shown.presented);
    auto since = [arrival](Clock::time_point t) { return std::chrono::duration<double, std::milli>(t - arrival).count(); };
    g_shown.stages.push_back(Stages{since(g_shown.paintColouredAt), since(g_shown.paintStartAt), since(g_shown.paintEndAt), since(Clock::now())});
}

class BenchWindow : public CWnd {
public:
    COGLSlider* slider = nullptr;
    LRESULT OnWorkerNotify(WPARAM code, LPARAM)
    {
        if (code == NOTIFY_FRAME_SHOWN) {
            g_shown.coloured = NewestArrival();
            g_shown.colouredAt = Clock::now();
            slider->UpdateMarkers(0);
        }
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

struct CpuTimes {
    double process = 0;  // every thread, ended ones included
    double gl = 0;       // the software OpenGL driver's threads
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
        if (name.rfind("llvmpipe-", 0) == 0) t.gl += TicksToSeconds(StatTicks(task + "/stat"));
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

void Measure(const char* mode, std::chrono::seconds span)
{
    g_shown.stages.clear();
    g_shown.presents = 0;
    const int firstFrame = NewestArrival();
    const CpuTimes before = ReadCpuTimes();
    g_shown.measuring = true;
    RunFor(span);
    g_shown.measuring = false;
    const CpuTimes after = ReadCpuTimes();
    const double seconds = static_cast<double>(span.count());
    const double gl = (after.gl - before.gl) / seconds * 100.0;
    const double own = ((after.process - before.process) - (after.gl - before.gl)) / seconds * 100.0;
    std::printf("%s: %.1f frames/s arrived, %.1f frames/s shown, %.1f presentations/s\n", mode,
                (NewestArrival() - firstFrame) / seconds, static_cast<double>(g_shown.stages.size()) / seconds,
                g_shown.presents / seconds);
    std::printf("%s: arrival to screen median %.1f ms, 95th percentile %.1f ms\n", mode, Percentile(&Stages::present, 0.5),
                Percentile(&Stages::present, 0.95));
    std::printf("%s: medians from arrival: notice %.1f ms, paint start %.1f ms, paint end %.1f ms\n", mode,
                Percentile(&Stages::notice, 0.5), Percentile(&Stages::paintStart, 0.5), Percentile(&Stages::paintEnd, 0.5));
    std::printf("%s: CPU %.1f %% of a core in our own threads, %.1f %% in llvmpipe threads\n", mode, own, gl);
}

}  // namespace

int main(int argc, char** argv)
{
    const auto span = std::chrono::seconds(argc > 1 ? std::max(1, std::atoi(argv[1])) : 30);
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
