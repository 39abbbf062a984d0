// Shared set-up for the camera SDK tests: a freshly reset emulated module, silent logs, and
// the open sequence the capture worker uses.
#pragma once

#include "deverodi/src/deverodi.h"
#include "emulator/src/emulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace sdk_test {

constexpr uint32_t kWidth = 256;
constexpr uint32_t kHeight = 384;
constexpr uint32_t kFrameSize = kWidth * kHeight * 2;

inline camera_dev_t EmulatedDevice()
{
    return camera_dev_t{EMU_PRODUCT_ID, EMU_VENDOR_ID, const_cast<char *>(EMU_PRODUCT)};
}

inline camera_param_t StreamRequest(uint32_t timeout = 1000)
{
    camera_param_t p{};
    p.pid = EMU_PRODUCT_ID;
    p.vid = EMU_VENDOR_ID;
    p.format = "YUY2";
    p.width = kWidth;
    p.height = kHeight;
    p.frame_size = kFrameSize;
    p.fps = 25;
    p.timeout = timeout;
    return p;
}

class SdkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VANTREL_CAMERA", "emulated", 1);
        emu_reset();
        deverodi_log_register(2);
        ASSERT_EQ(uvc_camera_init(), 0);
        DrainReadyCount();
    }

    // Take whatever count earlier tests left: a stream close ends it, and a wait count of 1
    // looks once (0 would not look at all).
    static void DrainReadyCount()
    {
        uvc_camera_stream_start(StreamRequest(1), nullptr); // no camera open: only sets the wait count
        uvc_camera_stream_close(0);
        uint8_t scratch[1];
        while (uvc_frame_get(scratch) == 0) {
        }
    }

    void TearDown() override
    {
        uvc_camera_stream_close(0);
        uvc_camera_close();
        deverodi_log_register(2);
        emu_reset();
    }

    void Open() { ASSERT_EQ(uvc_camera_open(EmulatedDevice()), 0); }

    // Starts the stream with frames coming only when emitted.
    void StartManual(camera_param_t param = StreamRequest())
    {
        emu_stream_set_manual(1);
        ASSERT_EQ(uvc_camera_stream_start(param, nullptr), 0);
    }

    // Gets until a frame comes: a stream just started or resumed delivers when a loaded machine
    // lets its thread run, which may be later than one get's time-out. -12 after ten seconds.
    static int GetOnceDelivered(void *frame)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int res = uvc_frame_get(frame);
        while (res == -12 && std::chrono::steady_clock::now() < deadline)
            res = uvc_frame_get(frame);
        return res;
    }

    void Emit(unsigned count)
    {
        emu_stream_emit(count);
        ASSERT_EQ(emu_stream_wait_idle(5000), 0);
    }

    static std::vector<uint8_t> ExpectedFrame(uint32_t n)
    {
        std::vector<uint8_t> f(kFrameSize);
        emu_scene_frame(emu_seed(), n, kWidth, kHeight, f.data());
        return f;
    }
};

// Captures what the SDK's default sink prints while fn runs.
template <typename Fn> std::string Printed(Fn fn)
{
    ::testing::internal::CaptureStdout();
    fn();
    return ::testing::internal::GetCapturedStdout();
}

} // namespace sdk_test
