// The emulated module itself: its scene, plugging, register window and transfer log.
#include "emulator/src/emulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override { emu_reset(); }
    void TearDown() override { emu_reset(); }
};

double Celsius(uint16_t raw)
{
    return raw / 64.0 - 273.15;
}

TEST_F(EmulatorTest, SceneIsDeterministicPerSeed)
{
    std::vector<uint8_t> a(196608), b(196608), c(196608);
    emu_scene_frame(7, 10, 256, 384, a.data());
    emu_scene_frame(7, 10, 256, 384, b.data());
    emu_scene_frame(8, 10, 256, 384, c.data());
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}

TEST_F(EmulatorTest, FrameHalvesAreThePictureAndTheSamples)
{
    std::vector<uint8_t> f(196608);
    emu_scene_frame(3, 5, 256, 384, f.data());
    const uint8_t *samples = f.data() + 256 * 192 * 2;
    for (int y : {0, 50, 100, 191})
        for (int x : {0, 30, 130, 255}) {
            size_t at = (size_t(y) * 256 + x) * 2;
            uint16_t raw = uint16_t(samples[at] | samples[at + 1] << 8);
            EXPECT_EQ(raw, emu_scene_sample(3, 5, x, y)) << x << "," << y;
            EXPECT_NEAR(Celsius(raw), emu_scene_celsius(3, 5, x, y), 1.0 / 64);
            EXPECT_EQ(f[at + 1], 0x80);
        }
    // Hotter is brighter in the picture.
    emu_component hot;
    ASSERT_EQ(emu_scene_component(emu_scene_component_count() - 1, &hot), 0);
    size_t hot_at = (size_t(hot.y + 2) * 256 + hot.x + 2) * 2;
    EXPECT_GT(f[hot_at], f[0]);
}

TEST_F(EmulatorTest, BenchScene)
{
    // The mat: about 24 degrees, with noise of about 0.1 K.
    double sum = 0, sq = 0;
    int n = 0;
    for (uint32_t frame = 0; frame < 4; frame++)
        for (int y = 170; y < 192; y++)
            for (int x = 0; x < 256; x++) {
                double c = emu_scene_celsius(1, frame, x, y);
                sum += c;
                sq += c * c;
                n++;
            }
    double mean = sum / n;
    double sd = std::sqrt(sq / n - mean * mean);
    EXPECT_NEAR(mean, 24.0, 0.5);
    EXPECT_GT(sd, 0.07);
    EXPECT_LT(sd, 0.13);

    unsigned count = emu_scene_component_count();
    ASSERT_GE(count, 4u);
    emu_component hot, twin;
    ASSERT_EQ(emu_scene_component(count - 1, &hot), 0);
    for (unsigned i = 0; i + 1 < count; i++) {
        emu_component c;
        ASSERT_EQ(emu_scene_component(i, &c), 0);
        EXPECT_GE(c.celsius, 35.0) << i;
        EXPECT_LE(c.celsius, 70.0) << i;
        if (c.x == hot.x - 124 && c.y == hot.y)
            twin = c;
    }
    EXPECT_GT(hot.celsius, 70.0);
    EXPECT_GT(hot.x, 128); // on the right-hand board
    EXPECT_EQ(twin.w, hot.w);
    EXPECT_LT(twin.celsius, hot.celsius);
    double measured = emu_scene_celsius(1, 0, hot.x + hot.w / 2, hot.y + hot.h / 2);
    EXPECT_NEAR(measured, hot.celsius, 0.6);
    EXPECT_EQ(emu_scene_component(count, &hot), -1);
}

TEST_F(EmulatorTest, DriftIsSlow)
{
    double first = emu_scene_celsius(1, 0, 0, 180);
    double next = emu_scene_celsius(1, 1, 0, 180);
    EXPECT_NEAR(first, next, 0.4);
    double spread = 0;
    for (uint32_t f = 0; f < 3000; f += 100)
        spread = std::max(spread, std::fabs(emu_scene_celsius(1, f, 0, 180) - first));
    EXPECT_GT(spread, 0.2);
}

struct Notices {
    std::vector<std::pair<int, std::string>> seen;
};

void OnPlug(int plugged, const char *serial, void *arg)
{
    static_cast<Notices *>(arg)->seen.emplace_back(plugged, serial);
}

void IgnoreFrame(const void *, size_t, uint32_t, uint32_t, uint32_t, void *)
{
}

// A stream thread that never really waits spins through thousands of wake-ups a frame.
TEST_F(EmulatorTest, StreamThreadSleepsBetweenFrames)
{
    uint32_t token = 0;
    ASSERT_EQ(emu_open(0, &token), 0);
    emu_set_frame_period_us(10000);
    ASSERT_EQ(emu_stream_start(token, 1, 25, IgnoreFrame, nullptr), 0);
    for (int waited = 0; emu_frames_delivered() < 10 && waited < 500; waited++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    emu_stream_stop();
    const uint64_t frames = emu_frames_delivered();
    ASSERT_GE(frames, 10u);
    EXPECT_LE(emu_stream_wakeups(), 2 * frames + 2);
}

TEST_F(EmulatorTest, PlugNoticesAndDeadHandles)
{
    Notices notices;
    emu_set_plug_callback(OnPlug, &notices);
    uint32_t token = 0;
    ASSERT_EQ(emu_open(0, &token), 0);
    emu_unplug();
    emu_unplug();
    EXPECT_EQ(emu_device_count(), 0u);
    uint32_t none;
    EXPECT_EQ(emu_open(0, &none), EMU_ERROR_NO_DEVICE);
    emu_replug();
    uint8_t b = 0;
    EXPECT_EQ(emu_control_transfer(token, 0xC1, 0x44, 0x78, 0x0200, &b, 1), EMU_ERROR_NO_DEVICE);
    ASSERT_EQ(emu_open(0, &token), 0);
    EXPECT_EQ(emu_control_transfer(token, 0xC1, 0x44, 0x78, 0x0200, &b, 1), 1);
    ASSERT_EQ(notices.seen.size(), 2u);
    EXPECT_EQ(notices.seen[0], std::make_pair(0, std::string(EMU_SERIAL)));
    EXPECT_EQ(notices.seen[1].first, 1);
    emu_set_plug_callback(nullptr, nullptr);
}

TEST_F(EmulatorTest, IdentityAndModes)
{
    uint16_t vid, pid;
    const char *product, *serial;
    ASSERT_EQ(emu_device_identity(0, &vid, &pid, &product, &serial), 0);
    EXPECT_EQ(vid, 0x0BDA);
    EXPECT_EQ(pid, 0x5840);
    EXPECT_STREQ(product, EMU_PRODUCT);
    EXPECT_STREQ(serial, EMU_SERIAL);
    EXPECT_EQ(emu_device_identity(1, &vid, &pid, &product, &serial), EMU_ERROR_NO_DEVICE);
    emu_mode m;
    ASSERT_EQ(emu_mode_get(1, &m), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(m.guid), 4), "YUY2");
    EXPECT_EQ(m.width, 256u);
    EXPECT_EQ(m.height, 384u);
    EXPECT_EQ(m.frame_size, 196608u);
    EXPECT_EQ(m.intervals[0], 400000u);
    EXPECT_EQ(m.intervals[1], 0u);
}

TEST_F(EmulatorTest, RegisterWindowRefusesWhatTheModuleWouldStall)
{
    uint32_t token;
    ASSERT_EQ(emu_open(0, &token), 0);
    uint8_t data[8] = {};
    struct Case {
        uint8_t type, request;
        uint16_t value, index, length;
        int result;
    } cases[] = {
        {0x41, 0x45, 0x78, 0x9D08, 8, 8},         {0xC1, 0x44, 0x78, 0x1D08, 8, 8},
        {0x41, 0x44, 0x78, 0x1D08, 8, EMU_ERROR_PIPE}, {0xC1, 0x44, 0x77, 0x1D08, 8, EMU_ERROR_PIPE},
        {0xC1, 0x44, 0x78, 0x1000, 8, EMU_ERROR_PIPE}, {0x41, 0x45, 0x78, 0x9FFC, 8, EMU_ERROR_PIPE},
        {0x40, 0x45, 0x78, 0x9D08, 8, EMU_ERROR_PIPE},
    };
    for (const Case &c : cases)
        EXPECT_EQ(emu_control_transfer(token, c.type, c.request, c.value, c.index, data, c.length), c.result)
            << std::hex << c.index;
    ASSERT_EQ(emu_log_count(), std::size(cases));
    emu_transfer t;
    ASSERT_EQ(emu_log_get(4, &t), 0);
    EXPECT_EQ(t.request_type, 0xC1);
    EXPECT_EQ(t.index, 0x1000);
    EXPECT_EQ(t.length, 8);
    EXPECT_EQ(t.result, EMU_ERROR_PIPE);
    EXPECT_EQ(emu_log_get(std::size(cases), &t), -1);
}

TEST_F(EmulatorTest, StatusScriptThenBusyPollsThenDone)
{
    uint32_t token;
    ASSERT_EQ(emu_open(0, &token), 0);
    emu_set_busy_polls(2);
    uint8_t cmd[8] = {0x05, 0x07};
    ASSERT_EQ(emu_control_transfer(token, 0x41, 0x45, 0x78, 0x1D00, cmd, 8), 8);
    const uint8_t script[] = {0x06};
    emu_status_script(script, 1);
    std::vector<int> seen;
    for (int i = 0; i < 4; i++) {
        uint8_t s = 0xAA;
        emu_control_transfer(token, 0xC1, 0x44, 0x78, 0x0200, &s, 1);
        seen.push_back(s);
    }
    EXPECT_EQ(seen, (std::vector<int>{0x06, 0x01, 0x01, 0x00}));
}

} // namespace
