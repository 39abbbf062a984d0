// A whole firmware update against the emulated module: the transfers it makes and the time it
// takes, with a module that is done at once and with one that is busy once per command.
#include "deverodi/src/deverodi.h"
#include "deverodi/src/doduze_dud.h"
#include "deverodi/src/vdcmd.h"
#include "emulator/src/command_model.h"
#include "emulator/src/emulator.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

bool OpenModule(benchmark::State &state, unsigned busy_polls)
{
    setenv("VANTREL_CAMERA", "emulated", 1);
    emu_reset();
    emu_set_busy_polls(busy_polls);
    camera_dev_t dev{EMU_PRODUCT_ID, EMU_VENDOR_ID, const_cast<char *>(EMU_PRODUCT)};
    if (uvc_camera_init() != 0 || uvc_camera_open(dev) != 0 || vdcmd_init() != 0) {
        state.SkipWithError("emulated camera did not open");
        return false;
    }
    return true;
}

void CloseModule()
{
    uvc_camera_close();
    emu_reset();
}

std::vector<uint8_t> Image()
{
    std::vector<uint8_t> img(DODUZE_FW_SIZE);
    for (size_t i = 0; i < img.size(); i++)
        img[i] = uint8_t(i * 7 + (i >> 12));
    return img;
}

size_t StatusReads()
{
    size_t n = 0;
    for (size_t i = 0; i < emu_log_count(); i++) {
        emu_transfer t;
        emu_log_get(i, &t);
        n += t.index == EMU_STATUS_REGISTER;
    }
    return n;
}

// A running module (device status 2): reset into update mode, unlock, erase, 64 sectors written
// and read back, tag, reset.
void RunUpdates(benchmark::State &state, unsigned busy_polls)
{
    if (!OpenModule(state, busy_polls))
        return;
    std::vector<uint8_t> image = Image();
    size_t transfers = 0, status_reads = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emu_command_model_reset();
        emu_log_clear();
        state.ResumeTiming();
        if (update_fw(image.data(), DODUZE_FW_SIZE) != 0) {
            state.SkipWithError("update failed");
            break;
        }
        state.PauseTiming();
        transfers = emu_log_count();
        status_reads = StatusReads();
        state.ResumeTiming();
    }
    state.counters["transfers"] = double(transfers);
    state.counters["status_reads"] = double(status_reads);
    state.SetBytesProcessed(int64_t(state.iterations()) * DODUZE_FW_SIZE);
    CloseModule();
}

void BM_UpdateFw(benchmark::State &state)
{
    RunUpdates(state, 0);
}
BENCHMARK(BM_UpdateFw)->Unit(benchmark::kMillisecond);

// Each busy status costs the SDK a 1 ms sleep: this is the floor a real module sets.
void BM_UpdateFwBusyOncePerCommand(benchmark::State &state)
{
    RunUpdates(state, 1);
}
BENCHMARK(BM_UpdateFwBusyOncePerCommand)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
