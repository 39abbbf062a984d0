// CPU time the emulated module's stream costs while it runs at 25 frames a second for 10 s, per
// thread, read from /proc/self/task/*/stat. Alone (a callback that does nothing), and behind the
// SDK with a reader fetching every frame as the capture worker does.
#include "deverodi/src/deverodi.h"
#include "emulator/src/emulator.h"

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr auto kRun = std::chrono::seconds(10);
constexpr uint32_t kFrameSize = 256 * 384 * 2;

// User and system time of each thread of this process, in clock ticks, by thread id.
std::map<long, long> ThreadTicks()
{
    std::map<long, long> ticks;
    DIR *dir = opendir("/proc/self/task");
    if (!dir)
        return ticks;
    while (dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::string path = std::string("/proc/self/task/") + entry->d_name + "/stat";
        FILE *f = std::fopen(path.c_str(), "r");
        if (!f)
            continue;
        char line[1024] = {};
        size_t n = std::fread(line, 1, sizeof line - 1, f);
        std::fclose(f);
        line[n] = 0;
        // Fields after the command name, which may hold spaces: state is field 3, utime 14, stime 15.
        const char *rest = std::strrchr(line, ')');
        long utime = 0, stime = 0;
        if (rest && std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld", &utime, &stime) == 2)
            ticks[std::atol(entry->d_name)] = utime + stime;
    }
    closedir(dir);
    return ticks;
}

// Per cent of one core that the threads other than `skip` used between the two readings.
double OthersPercent(const std::map<long, long> &before, const std::map<long, long> &after, long skip,
                     double seconds)
{
    long ticks = 0;
    for (const auto &[tid, t] : after)
        if (tid != skip)
            ticks += t - (before.count(tid) ? before.at(tid) : 0);
    return 100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / seconds;
}

double ThreadPercent(const std::map<long, long> &before, const std::map<long, long> &after, long tid,
                     double seconds)
{
    long ticks = after.count(tid) ? after.at(tid) - (before.count(tid) ? before.at(tid) : 0) : 0;
    return 100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / seconds;
}

void Ignore(const void *, size_t, uint32_t, uint32_t, uint32_t, void *)
{
}

// The stream thread alone: the main thread sleeps while it runs.
void BM_EmulatorStreamAlone(benchmark::State &state)
{
    emu_reset();
    uint32_t token = 0;
    if (emu_open(0, &token) != 0 || emu_stream_start(token, 1, 25, Ignore, nullptr) != 0) {
        state.SkipWithError("emulated stream did not start");
        return;
    }
    const long self = gettid();
    for (auto _ : state) {
        auto before = ThreadTicks();
        uint64_t frames = emu_frames_delivered();
        auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(kRun);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["stream_cpu_pct"] = OthersPercent(before, ThreadTicks(), self, seconds);
        state.counters["fps"] = double(emu_frames_delivered() - frames) / seconds;
    }
    emu_stream_stop();
    emu_reset();
}
BENCHMARK(BM_EmulatorStreamAlone)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// Behind the SDK: the stream thread copies each frame in, this thread fetches it as the capture
// worker would.
void BM_EmulatorStreamBehindSdk(benchmark::State &state)
{
    setenv("VANTREL_CAMERA", "emulated", 1);
    emu_reset();
    camera_dev_t dev{EMU_PRODUCT_ID, EMU_VENDOR_ID, const_cast<char *>(EMU_PRODUCT)};
    camera_param_t request{};
    request.format = "YUY2";
    request.width = 256;
    request.height = 384;
    request.frame_size = kFrameSize;
    request.fps = 25;
    request.timeout = 1000;
    if (uvc_camera_init() != 0 || uvc_camera_open(dev) != 0 || uvc_camera_stream_start(request, nullptr) != 0) {
        state.SkipWithError("emulated camera did not start");
        return;
    }
    std::vector<uint8_t> frame(kFrameSize);
    const long self = gettid();
    for (auto _ : state) {
        auto before = ThreadTicks();
        unsigned fetched = 0;
        auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < kRun)
            fetched += uvc_frame_get(frame.data()) == 0;
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        auto after = ThreadTicks();
        state.counters["stream_cpu_pct"] = OthersPercent(before, after, self, seconds);
        state.counters["reader_cpu_pct"] = ThreadPercent(before, after, self, seconds);
        state.counters["fps"] = fetched / seconds;
    }
    uvc_camera_stream_close(0);
    uvc_camera_close();
    uvc_camera_release();
    emu_reset();
}
BENCHMARK(BM_EmulatorStreamBehindSdk)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace
