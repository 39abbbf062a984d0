// The frame path from the stream thread to uvc_frame_get: the copy into the SDK's frame buffer
// under the frame lock, and the copy out to the caller.
#include "deverodi/src/deverodi.h"
#include "emulator/src/emulator.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr uint32_t kFrameSize = 256 * 384 * 2;

camera_param_t Request()
{
    camera_param_t p{};
    p.format = "YUY2";
    p.width = 256;
    p.height = 384;
    p.frame_size = kFrameSize;
    p.fps = 25;
    p.timeout = 2000;
    return p;
}

bool OpenStream(benchmark::State &state, bool manual)
{
    setenv("VANTREL_CAMERA", "emulated", 1);
    emu_reset();
    emu_set_static_scene(1);
    emu_set_frame_period_us(manual ? 0 : 1);
    emu_stream_set_manual(manual ? 1 : 0);
    camera_dev_t dev{EMU_PRODUCT_ID, EMU_VENDOR_ID, const_cast<char *>(EMU_PRODUCT)};
    if (uvc_camera_init() != 0 || uvc_camera_open(dev) != 0 || uvc_camera_stream_start(Request(), nullptr) != 0) {
        state.SkipWithError("emulated camera did not start");
        return false;
    }
    return true;
}

void CloseStream()
{
    uvc_camera_stream_close(0);
    uvc_camera_close();
    emu_reset();
}

// One frame at a time: handed over by the stream thread, then fetched.
void BM_FrameHandOverAndGet(benchmark::State &state)
{
    if (!OpenStream(state, true))
        return;
    std::vector<uint8_t> frame(kFrameSize);
    for (auto _ : state) {
        emu_stream_emit(1);
        emu_stream_wait_idle(1000);
        if (uvc_frame_get(frame.data()) != 0) {
            state.SkipWithError("no frame");
            break;
        }
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * int64_t(kFrameSize) * 2);
    CloseStream();
}
BENCHMARK(BM_FrameHandOverAndGet)->UseRealTime();

// The stream running free while the caller fetches: both copies contend for the frame lock.
void BM_FreeRunningGet(benchmark::State &state)
{
    if (!OpenStream(state, false))
        return;
    std::vector<uint8_t> frame(kFrameSize);
    for (auto _ : state) {
        if (uvc_frame_get(frame.data()) != 0) {
            state.SkipWithError("no frame");
            break;
        }
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["frames_delivered"] = double(emu_frames_delivered());
    CloseStream();
}
BENCHMARK(BM_FreeRunningGet)->UseRealTime();

} // namespace
