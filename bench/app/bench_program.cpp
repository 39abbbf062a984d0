// The program as a user meets it, on an X server: `vantrel` is started with the emulated camera
// (25 frames a second) and watched from outside.
//
// - start-up: from starting the process to the first live frame on the screen (a bright pixel
//   of the thermal image read back from the X server in the middle of the display), several runs;
// - CPU and frames: maximised, PCBA Check, rectangles drawn on the image with the mouse (XTest;
//   ten unless told otherwise), the process's CPU time over a stretch of seconds, split into our
//   own threads and the software GL threads (llvmpipe-*) and listed by thread, from
//   /proc/<pid>/task/*; and over the same stretch the new pictures of the thermal image per
//   second on the screen, from a patch in the middle of the image read back from the X server
//   every few milliseconds (the emulated scene's noise changes it with every frame);
// - memory: the resident set after a minute.
//
// Run with DISPLAY set (Xvfb :N -screen 0 1920x1080x24):
//   bench_program [--startups N] [--rects N] [--cpu-from S] [--cpu-seconds S] [--rss-at S]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/ProgramProcess.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    int startups = 5;
    int rects = 10;
    int cpuFrom = 20;
    int cpuSeconds = 30;
    int rssAt = 60;
};

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The program on the X server, with the emulated camera and folders of its own.
bool StartProgram(app_test::ProgramProcess& program)
{
    return program.Start({{"SDL_VIDEODRIVER", "x11"}});
}

// Ends the program as a logout does; its exit status, or -1.
int StopProgram(app_test::ProgramProcess& program)
{
    kill(program.Pid(), SIGTERM);
    const int status = program.Ended();
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether the screen shows a bright pixel of the thermal image around (x, y).
bool ImageShown(Display* display, int x, int y)
{
    constexpr int kHalf = 100;
    XImage* image = XGetImage(display, DefaultRootWindow(display), x - kHalf, y - kHalf, 2 * kHalf, 2 * kHalf, AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    bool bright = false;
    for (int j = 0; j < image->height && !bright; j += 4)
        for (int i = 0; i < image->width && !bright; i += 4) {
            const unsigned long p = XGetPixel(image, i, j);
            const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF);
            bright = r > 150 || g > 150;
        }
    XDestroyImage(image);
    return bright;
}

void Drag(Display* display, int x0, int y0, int x1, int y1)
{
    XTestFakeMotionEvent(display, -1, x0, y0, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XFlush(display);
    SleepMs(60);
    for (int k = 1; k <= 4; ++k) {
        XTestFakeMotionEvent(display, -1, x0 + (x1 - x0) * k / 4, y0 + (y1 - y0) * k / 4, CurrentTime);
        XFlush(display);
        SleepMs(30);
    }
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    SleepMs(150);
}

// CPU seconds of each thread of the process by its name.
std::map<std::string, double> ThreadCpu(pid_t pid)
{
    std::map<std::string, double> cpu;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    const fs::path tasks = fs::path("/proc") / std::to_string(pid) / "task";
    std::error_code ec;
    for (const auto& task : fs::directory_iterator(tasks, ec)) {
        std::ifstream in(task.path() / "stat");
        std::string line;
        std::getline(in, line);
        const auto open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        const std::string name = line.substr(open + 1, close - open - 1);
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        double utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14) utime = std::atof(field.c_str());
            if (i == 15) stime = std::atof(field.c_str());
        }
        cpu[task.path().filename().string() + " " + name] = (utime + stime) / tick;
    }
    return cpu;
}

// A fingerprint of what the screen shows in a patch around (x, y); 0 when it cannot be read.
std::size_t PatchFingerprint(Display* display, int x, int y)
{
    constexpr int kHalf = 60;
    XImage* image = XGetImage(display, DefaultRootWindow(display), x - kHalf, y - kHalf, 2 * kHalf, 2 * kHalf, AllPlanes, ZPixmap);
    if (image == nullptr) return 0;
    const std::size_t hash =
        std::hash<std::string_view>()(std::string_view(image->data, static_cast<std::size_t>(image->bytes_per_line) * image->height));
    XDestroyImage(image);
    return hash;
}

// Watches the patch around (x, y) for the given time; how often a second it showed something new.
double NewPicturesPerSecond(Display* display, int x, int y, double seconds)
{
    const auto start = Clock::now();
    std::size_t last = PatchFingerprint(display, x, y);
    int changes = 0;
    while (SecondsSince(start) < seconds) {
        SleepMs(3);
        const std::size_t now = PatchFingerprint(display, x, y);
        changes += now != last;
        last = now;
    }
    return changes / SecondsSince(start);
}

long ResidentKiB(pid_t pid)
{
    std::ifstream in(fs::path("/proc") / std::to_string(pid) / "status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

Options ParseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--startups") == 0) o.startups = value;
        if (std::strcmp(argv[i], "--rects") == 0) o.rects = value;
        if (std::strcmp(argv[i], "--cpu-from") == 0) o.cpuFrom = value;
        if (std::strcmp(argv[i], "--cpu-seconds") == 0) o.cpuSeconds = value;
        if (std::strcmp(argv[i], "--rss-at") == 0) o.rssAt = value;
    }
    return o;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = ParseOptions(argc, argv);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "bench_program: no X display (set DISPLAY)\n");
        return 1;
    }
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    // The thermal display of the maximised window: x 125 to W - 510, y 150 to H.
    const int cx = (125 + width - 510) / 2, cy = (150 + height) / 2;
    std::vector<double> startups;
    for (int run = 0; run < options.startups; ++run) {
        app_test::ProgramProcess program("bench-program");
        const auto start = Clock::now();
        if (!StartProgram(program)) return 1;
        while (!ImageShown(display, cx, cy) && SecondsSince(start) < 60) SleepMs(2);
        startups.push_back(SecondsSince(start));
        StopProgram(program);
        SleepMs(500);
    }
    std::sort(startups.begin(), startups.end());
    if (!startups.empty())
        std::printf("start-up to first live frame on screen (%dx%d): median %.3f s, min %.3f s, max %.3f s over %zu runs\n",
                    width, height, startups[startups.size() / 2], startups.front(), startups.back(), startups.size());

    app_test::ProgramProcess program("bench-program");
    const auto start = Clock::now();
    if (!StartProgram(program)) return 1;
    while (!ImageShown(display, cx, cy) && SecondsSince(start) < 60) SleepMs(10);
    // The rectangles on the image, with the rectangle tool the window starts with: ten in two
    // rows, more in a grid of ten columns over the whole image (256 x 192 pixels shown four
    // screen pixels a pixel, in the middle of the display).
    for (int k = 0; k < options.rects; ++k) {
        int x = cx - 470 + (k % 5) * 190, y = cy - 300 + (k / 5) * 300, w = 100, h = 80;
        if (options.rects > 10) {
            const int rows = (options.rects + 9) / 10;
            const int cellW = 1024 / 10, cellH = 768 / rows;
            x = cx - 512 + (k % 10) * cellW + 4;
            y = cy - 384 + (k / 10) * cellH + 20;
            w = cellW - 28;
            h = std::max(cellH - 28, 12);
        }
        Drag(display, x, y, x + w, y + h);
    }
    while (SecondsSince(start) < options.cpuFrom) SleepMs(100);
    const auto before = ThreadCpu(program.Pid());
    const auto cpuStart = Clock::now();
    const double pictures = NewPicturesPerSecond(display, cx, cy, options.cpuSeconds);
    const auto after = ThreadCpu(program.Pid());
    const double elapsed = SecondsSince(cpuStart);
    // The user-interface thread is the process's first; the program's workers and the libraries'
    // own threads carry the program's name, the software GL threads theirs.
    const std::string uiThread = std::to_string(program.Pid()) + " ";
    double ui = 0, workers = 0, gl = 0;
    std::vector<std::pair<double, std::string>> threads;
    for (const auto& [key, seconds] : after) {
        const auto it = before.find(key);
        const double used = seconds - (it == before.end() ? 0.0 : it->second);
        const std::string name = key.substr(key.find(' ') + 1);
        if (name.rfind("llvmpipe", 0) == 0) gl += used;
        else if (key.rfind(uiThread, 0) == 0) ui += used;
        else workers += used;
        if (name.rfind("llvmpipe", 0) != 0 && used > 0) threads.emplace_back(used, key);
    }
    std::printf("new pictures of the thermal image on the screen, maximised, PCBA Check, %d rectangles: %.1f a second\n",
                options.rects, pictures);
    std::printf("CPU over %.0f s, maximised, PCBA Check, %d rectangles (%% of one core): our threads %.1f %% "
                "(user interface %.1f %%, workers %.1f %%), software GL threads %.1f %%\n",
                elapsed, options.rects, 100 * (ui + workers) / elapsed, 100 * ui / elapsed, 100 * workers / elapsed, 100 * gl / elapsed);
    std::sort(threads.rbegin(), threads.rend());
    for (const auto& [used, key] : threads)
        std::printf("  thread %s: %.1f %%%s\n", key.c_str(), 100 * used / elapsed, key.rfind(uiThread, 0) == 0 ? " (user interface)" : "");
    while (SecondsSince(start) < options.rssAt) SleepMs(100);
    std::printf("resident memory after %d s: %.1f MiB\n", options.rssAt, ResidentKiB(program.Pid()) / 1024.0);
    std::printf("exit status after SIGTERM: %d\n", StopProgram(program));
    XCloseDisplay(display);
    return 0;
}
