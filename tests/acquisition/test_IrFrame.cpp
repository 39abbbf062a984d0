#include "acquisition/IrFrame.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/src/emulator.h"
#include "tests/acquisition/FrameFixture.h"

namespace {

camera_dev_t Dev(std::uint32_t vid, std::uint32_t pid)
{
    return camera_dev_t{pid, vid, nullptr};
}

}  // namespace

TEST(IrFrame, FindCameraTakesTheFirstThermalCameraInListOrder)
{
    struct Case {
        const char* name;
        std::vector<camera_dev_t> devs;
        int expected;
    } cases[] = {
        {"none listed", {}, -1},
        {"other devices only", {Dev(0x046D, 0x0825), Dev(0x0BDA, 0x1234), Dev(0x1234, 0x5840)}, -1},
        {"main product", {Dev(0x046D, 0x0825), Dev(0x0BDA, 0x5840)}, 1},
        {"second product", {Dev(0x0BDA, 0x5830)}, 0},
        {"two cameras", {Dev(0x0001, 0x0002), Dev(0x0BDA, 0x5830), Dev(0x0BDA, 0x5840)}, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ircam_find_camera(c.devs.data(), static_cast<int>(c.devs.size())), c.expected) << c.name;
}

TEST(IrFrame, SetupOfTheModulesStreamMode)
{
    FrameGuard g;
    IrFrame& f = g.frame;
    f.param.width = 256;
    f.param.height = 384;
    f.param.frame_size = 256 * 384 * 2;
    ASSERT_EQ(ircam_frame_setup(&f), 0);
    EXPECT_EQ(f.image_size, 98304u);
    EXPECT_EQ(f.temp_size, 98304u);
    EXPECT_EQ(f.param.frame_size, 196608u);
    const std::int32_t image[8] = {256, 192, 0, 0, 3, 2, 3, 1};
    const std::int32_t temp[8] = {256, 192, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(f.image_info, image, sizeof image), 0);
    EXPECT_EQ(std::memcmp(f.temp_info, temp, sizeof temp), 0);
    ASSERT_NE(f.frame_buf, nullptr);
    ASSERT_NE(f.rgba_buf, nullptr);
    ASSERT_NE(f.rgb_buf, nullptr);
    // The image half is defined from the start: the capture never fills it.
    for (std::uint32_t i = 0; i < f.image_size; ++i)
        ASSERT_EQ(f.image_data[i], 0) << i;
    for (std::uint32_t i = 0; i < f.temp_size / 2; ++i)
        ASSERT_EQ(f.temp_data[i], 0) << i;
}

TEST(IrFrame, AllocLeavesAUsedRecordAlone)
{
    FrameGuard g;
    MakeFrame(&g.frame, 4, 2);
    const IrFrame before = g.frame;
    g.frame.image_info[0] = 1000;  // would size new buffers differently
    EXPECT_EQ(ircam_frame_alloc(&g.frame), 0);
    EXPECT_EQ(g.frame.image_data, before.image_data);
    EXPECT_EQ(g.frame.temp_data, before.temp_data);
    EXPECT_EQ(g.frame.rgb_buf, before.rgb_buf);
    EXPECT_EQ(ircam_frame_alloc(nullptr), 0);
    g.frame.image_info[0] = 4;
}

TEST(IrFrame, FreeEmptiesAndIsSafeTwice)
{
    IrFrame f;
    MakeFrame(&f, 4, 2);
    EXPECT_FALSE(ircam_frame_empty(&f));
    EXPECT_EQ(ircam_frame_free(&f), 0);
    EXPECT_TRUE(ircam_frame_empty(&f));
    EXPECT_EQ(ircam_frame_free(&f), 0);
    EXPECT_EQ(ircam_frame_free(nullptr), 0);
}

TEST(IrFrame, CopyIsDeepAndReplacesTheTargetsBuffers)
{
    FrameGuard src, dst;
    MakeFrame(&src.frame, 8, 4);
    FillSamples(&src.frame, [](int x, int y) { return std::uint16_t(1000 + x + 10 * y); });
    for (std::uint32_t i = 0; i < src.frame.image_size; ++i)
        src.frame.image_data[i] = static_cast<std::uint8_t>(i);
    std::memset(src.frame.rgb_buf, 0x42, 8 * 4 * 3);
    std::memset(src.frame.rgba_buf, 0x24, 8 * 4 * 4);
    MakeFrame(&dst.frame, 16, 16);  // a used target: its buffers go first

    ASSERT_EQ(ircam_frame_copy(&src.frame, &dst.frame), 0);
    EXPECT_NE(dst.frame.temp_data, src.frame.temp_data);
    EXPECT_NE(dst.frame.image_data, src.frame.image_data);
    EXPECT_NE(dst.frame.rgb_buf, src.frame.rgb_buf);
    EXPECT_NE(dst.frame.frame_buf, src.frame.frame_buf);
    EXPECT_EQ(dst.frame.temp_size, src.frame.temp_size);
    EXPECT_EQ(std::memcmp(dst.frame.temp_info, src.frame.temp_info, 32), 0);
    EXPECT_EQ(std::memcmp(dst.frame.temp_data, src.frame.temp_data, src.frame.temp_size), 0);
    EXPECT_EQ(std::memcmp(dst.frame.image_data, src.frame.image_data, src.frame.image_size), 0);
    EXPECT_EQ(std::memcmp(dst.frame.rgb_buf, src.frame.rgb_buf, 8 * 4 * 3), 0);
    EXPECT_EQ(std::memcmp(dst.frame.rgba_buf, src.frame.rgba_buf, 8 * 4 * 4), 0);
    src.frame.temp_data[0] = 7;
    EXPECT_EQ(dst.frame.temp_data[0], 1000);
}

TEST(IrFrame, TempMinMax)
{
    FrameGuard g;
    MakeFrame(&g.frame, 5, 3);
    FillSamples(&g.frame, [](int x, int y) { return std::uint16_t(20000 - 7 * x + 100 * y); });
    std::uint16_t hi = 1, lo = 1;
    ircam_temp_min_max(&g.frame, &hi, &lo);
    EXPECT_EQ(hi, 20200);
    EXPECT_EQ(lo, 20000 - 28);
    g.frame.temp_info[1] = 0;
    ircam_temp_min_max(&g.frame, &hi, &lo);
    EXPECT_EQ(hi, 0);
    EXPECT_EQ(lo, 65535);
}

class IrCamSession : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("VANTREL_CAMERA", "emulated", 1);
        emu_reset();
    }
    void TearDown() override
    {
        ircam_stream_close(&m_frame.frame);
        ircam_close();
        // The strings of the opened camera belong to the record's request.
        std::free(m_frame.frame.param.product);
        std::free(const_cast<char*>(m_frame.frame.param.format));
        m_frame.frame.param = {};
        emu_reset();
    }
    FrameGuard m_frame;
};

TEST_F(IrCamSession, OpenFillsTheStreamRequestFromTheSecondMode)
{
    IrFrame& f = m_frame.frame;
    ASSERT_EQ(ircam_open(&f), 0);
    EXPECT_EQ(f.param.vid, 0x0BDAu);
    EXPECT_EQ(f.param.pid, 0x5840u);
    ASSERT_NE(f.param.product, nullptr);
    EXPECT_STREQ(f.param.product, EMU_PRODUCT);
    ASSERT_NE(f.param.format, nullptr);
    EXPECT_STREQ(f.param.format, "YUY2");
    EXPECT_EQ(f.param.width, 256u);
    EXPECT_EQ(f.param.height, 384u);
    EXPECT_EQ(f.param.frame_size, 196608u);
    EXPECT_EQ(f.param.fps, 25u);
    EXPECT_EQ(f.param.timeout, 1000u);
}

TEST_F(IrCamSession, NoCameraGivesMinusOneAndKeepsTheRequest)
{
    emu_set_device_count(0);
    IrFrame& f = m_frame.frame;
    f.param.width = 77;
    EXPECT_EQ(ircam_open(&f), -1);
    EXPECT_EQ(f.param.width, 77u);
    EXPECT_EQ(f.param.product, nullptr);
}

TEST_F(IrCamSession, StreamedFrameIsCutIntoItsHalves)
{
    IrFrame& f = m_frame.frame;
    ASSERT_EQ(ircam_open(&f), 0);
    ASSERT_EQ(ircam_frame_setup(&f), 0);
    emu_stream_set_manual(1);
    ASSERT_EQ(ircam_stream_start(&f), 0);
    emu_stream_emit(1);
    ASSERT_EQ(ircam_frame_get(&f), 0);
    std::vector<std::uint8_t> whole(196608);
    emu_scene_frame(emu_seed(), 0, 256, 384, whole.data());
    EXPECT_EQ(std::memcmp(f.image_data, whole.data(), 98304), 0);
    EXPECT_EQ(std::memcmp(f.temp_data, whole.data() + 98304, 98304), 0);
    EXPECT_EQ(f.temp_data[10 * 256 + 20], emu_scene_sample(emu_seed(), 0, 20, 10));
    EXPECT_EQ(ircam_stream_close(&f), 0);
    EXPECT_TRUE(ircam_frame_empty(&f));
}

// A reconnect opens the same record again: the request then names the camera found now, and the
// earlier strings are released (the leak checker finds them otherwise).
TEST_F(IrCamSession, OpeningAgainReplacesTheRequestsStrings)
{
    IrFrame& f = m_frame.frame;
    ASSERT_EQ(ircam_open(&f), 0);
    ircam_close();
    emu_set_product("Second module");
    ASSERT_EQ(ircam_open(&f), 0);
    ASSERT_NE(f.param.product, nullptr);
    EXPECT_STREQ(f.param.product, "Second module");
    EXPECT_STREQ(f.param.format, "YUY2");
    ircam_close();
    emu_set_device_count(0);
    EXPECT_EQ(ircam_open(&f), -1);  // a failed open keeps the request
    EXPECT_STREQ(f.param.product, "Second module");
}
