// Camera access and streaming against the emulated module.
#include "tests/sdk/sdk_fixture.h"

#include <atomic>
#include <cstring>
#include <ctime>

using namespace sdk_test;

namespace {

class CameraTest : public SdkTest {};

TEST_F(CameraTest, VersionStrings)
{
    EXPECT_STREQ(deverodi_version_number(), "1.9.1 alpha for qrd");
    EXPECT_STREQ(deverodi_version(), "deverodi zado2121r 1.9.1 alpha for qrd");
    EXPECT_STREQ(product_type(), "ZIRIRI");
}

TEST_F(CameraTest, ListFindsTheModule)
{
    camera_dev_t devs[DEVERODI_MAX_DEVICES] = {};
    ASSERT_EQ(uvc_camera_list(devs), 0);
    EXPECT_EQ(devs[0].vid, 0x0BDAu);
    EXPECT_EQ(devs[0].pid, 0x5840u);
    ASSERT_NE(devs[0].product, nullptr);
    EXPECT_STREQ(devs[0].product, EMU_PRODUCT);
    EXPECT_EQ(devs[1].vid, 0u);
    free(devs[0].product);
}

TEST_F(CameraTest, ListNeverWritesPast64Records)
{
    emu_set_device_count(70);
    camera_dev_t devs[70] = {};
    for (int i = 64; i < 70; i++)
        devs[i].pid = 0xDEAD;
    ASSERT_EQ(uvc_camera_list(devs), 0);
    for (int i = 0; i < 64; i++) {
        EXPECT_EQ(devs[i].pid, 0x5840u) << i;
        free(devs[i].product);
    }
    for (int i = 64; i < 70; i++)
        EXPECT_EQ(devs[i].pid, 0xDEADu) << i;
}

TEST_F(CameraTest, ListWithoutProductStringLeavesProductAsGiven)
{
    emu_set_product(nullptr);
    deverodi_log_register(0);
    camera_dev_t devs[DEVERODI_MAX_DEVICES] = {};
    std::string out = Printed([&] { ASSERT_EQ(uvc_camera_list(devs), 0); });
    EXPECT_EQ(devs[0].product, nullptr);
    EXPECT_EQ(devs[0].vid, 0x0BDAu);
    EXPECT_NE(out.find("product name is null!"), std::string::npos);
    EXPECT_NE(out.find("deverodi debug ["), std::string::npos);
}

TEST_F(CameraTest, ListWithoutContextFails)
{
    uvc_camera_release();
    camera_dev_t devs[DEVERODI_MAX_DEVICES] = {};
    EXPECT_EQ(uvc_camera_list(devs), -3);
    EXPECT_EQ(uvc_camera_list(nullptr), -1);
}

TEST_F(CameraTest, StreamModes)
{
    camera_stream_info_t infos[DEVERODI_MAX_STREAM_INFOS] = {};
    ASSERT_EQ(uvc_camera_info_get(EmulatedDevice(), infos), 0);
    ASSERT_NE(infos[1].format, nullptr);
    EXPECT_STREQ(infos[1].format, "YUY2");
    EXPECT_EQ(infos[1].width, 256u);
    EXPECT_EQ(infos[1].height, 384u);
    EXPECT_EQ(infos[1].frame_size, 196608u);
    EXPECT_EQ(infos[1].fps[0], 25u);
    EXPECT_EQ(infos[1].fps[1], 0u);
    EXPECT_EQ(infos[0].fps[0], 25u);
    EXPECT_EQ(infos[0].fps[1], 50u);
    EXPECT_EQ(infos[3].format, nullptr);
    for (auto &i : infos)
        free(i.format);
}

TEST_F(CameraTest, StreamModesNeverWritePast32RecordsNor32Rates)
{
    emu_set_extra_modes(40);
    camera_stream_info_t infos[DEVERODI_MAX_STREAM_INFOS + 1] = {};
    infos[DEVERODI_MAX_STREAM_INFOS].width = 0xBEEF;
    ASSERT_EQ(uvc_camera_info_get(EmulatedDevice(), infos), 0);
    EXPECT_EQ(infos[DEVERODI_MAX_STREAM_INFOS].width, 0xBEEFu);
    EXPECT_EQ(infos[DEVERODI_MAX_STREAM_INFOS].format, nullptr);
    // The extra modes have 40 rates each: the list stops full at 32, next record intact.
    EXPECT_EQ(infos[3].fps[0], 1u);
    EXPECT_EQ(infos[3].fps[DEVERODI_MAX_FPS - 1], 32u);
    ASSERT_NE(infos[4].format, nullptr);
    EXPECT_STREQ(infos[4].format, "YUY2");
    for (auto &i : infos)
        free(i.format);
}

TEST_F(CameraTest, InfoGetWithoutDevice)
{
    emu_unplug();
    camera_stream_info_t infos[DEVERODI_MAX_STREAM_INFOS] = {};
    EXPECT_EQ(uvc_camera_info_get(EmulatedDevice(), infos), -4);
    camera_dev_t other{0x1234, 0x0BDA, nullptr};
    emu_replug();
    EXPECT_EQ(uvc_camera_info_get(other, infos), -4);
}

TEST_F(CameraTest, OpenTwiceGivesMinus8UntilClosed)
{
    deverodi_log_register(1);
    Open();
    std::string out = Printed([] { EXPECT_EQ(uvc_camera_open(EmulatedDevice()), -8); });
    EXPECT_NE(out.find("dev already opened!"), std::string::npos);
    uvc_camera_close();
    EXPECT_EQ(uvc_camera_open(EmulatedDevice()), 0);
}

TEST_F(CameraTest, OpenSameTakesTheIndexedModule)
{
    emu_set_device_count(2);
    deverodi_log_register(1);
    EXPECT_EQ(uvc_camera_open_same(EmulatedDevice(), 2), -4);
    ASSERT_EQ(uvc_camera_open_same(EmulatedDevice(), 1), 0);
    std::string out = Printed([] { EXPECT_EQ(uvc_camera_open_same(EmulatedDevice(), 0), -8); });
    EXPECT_NE(out.find("uvc camera already opened!"), std::string::npos);
}

TEST_F(CameraTest, SearchWithoutIdsTakesTheIndexedDevice)
{
    emu_set_device_count(3);
    camera_dev_t any{0, 0, nullptr};
    EXPECT_EQ(uvc_camera_open_same(any, 3), -4);
    ASSERT_EQ(uvc_camera_open_same(any, 2), 0);
    uvc_camera_close();
    camera_dev_t other_product{0, 0, const_cast<char *>("another camera")};
    EXPECT_EQ(uvc_camera_open_same(other_product, 0), -4);
    camera_dev_t other_vendor{EMU_PRODUCT_ID, 0x1234, nullptr};
    EXPECT_EQ(uvc_camera_open(other_vendor), -4);
}

TEST_F(CameraTest, OpenWithoutProductString)
{
    emu_set_product(nullptr);
    deverodi_log_register(1);
    camera_dev_t dev{EMU_PRODUCT_ID, EMU_VENDOR_ID, nullptr};
    std::string out = Printed([&] { EXPECT_EQ(uvc_camera_open(dev), 0); });
    EXPECT_NE(out.find("product name is empty!"), std::string::npos);
    // Nothing identifies it as open, yet its handle is not given up to a second open.
    EXPECT_EQ(uvc_camera_open(dev), -8);
}

TEST_F(CameraTest, NoDevice)
{
    emu_unplug();
    deverodi_log_register(1);
    std::string out = Printed([] { EXPECT_EQ(uvc_camera_open(EmulatedDevice()), -4); });
    EXPECT_NE(out.find("uvc camera find device failed (uvc_error_code:-4)"), std::string::npos);
    camera_dev_t devs[DEVERODI_MAX_DEVICES] = {};
    devs[0].pid = 7;
    EXPECT_EQ(uvc_camera_list(devs), 0);
    EXPECT_EQ(devs[0].pid, 0u);
}

TEST_F(CameraTest, StreamAndGet)
{
    Open();
    StartManual();
    Emit(1);
    std::vector<uint8_t> frame(kFrameSize);
    ASSERT_EQ(uvc_frame_get(frame.data()), 0);
    EXPECT_EQ(frame, ExpectedFrame(0));
    EXPECT_EQ(uvc_camera_stream_close(0), 0);
}

TEST_F(CameraTest, ReadyCountLetsGetsReturnAtOnceWithTheNewestFrame)
{
    Open();
    StartManual(StreamRequest(20));
    Emit(3);
    std::vector<uint8_t> frame(kFrameSize);
    for (int i = 0; i < 3; i++) {
        ASSERT_EQ(uvc_frame_get(frame.data()), 0) << i;
        EXPECT_EQ(frame, ExpectedFrame(2)) << i;
    }
    EXPECT_EQ(uvc_frame_get(frame.data()), -12);
}

TEST_F(CameraTest, StampedGetTellsWhichFrameCameAndWhen)
{
    auto now = [] {
        timespec t;
        clock_gettime(CLOCK_MONOTONIC, &t);
        return static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
    };
    Open();
    StartManual(StreamRequest(20));
    std::vector<uint8_t> frame(kFrameSize);
    frame_stamp_t stamp{};
    const uint64_t first = now();
    Emit(1);
    ASSERT_EQ(uvc_frame_get_stamped(frame.data(), &stamp), 0);
    EXPECT_EQ(stamp.sequence, 0u);
    EXPECT_GE(stamp.arrival_ns, first);
    EXPECT_LE(stamp.arrival_ns, now());

    // Three more, taken late: each get copies the newest frame with its own stamp.
    const uint64_t later = now();
    Emit(3);
    ASSERT_EQ(uvc_frame_get_stamped(frame.data(), &stamp), 0);
    EXPECT_EQ(stamp.sequence, 3u);
    EXPECT_EQ(frame, ExpectedFrame(3));
    EXPECT_GE(stamp.arrival_ns, later);
    const frame_stamp_t taken = stamp;
    EXPECT_EQ(uvc_frame_get(frame.data()), 0);
    EXPECT_EQ(uvc_frame_get_stamped(frame.data(), nullptr), 0);
    EXPECT_EQ(uvc_frame_get_stamped(frame.data(), &stamp), -12);
    EXPECT_EQ(stamp.sequence, taken.sequence);  // no frame: the stamp is left alone
    EXPECT_EQ(stamp.arrival_ns, taken.arrival_ns);
}

// A reconnect must never hand out the new stream's empty buffer as a frame: frames counted but
// not taken end with the stream that brought them.
TEST_F(CameraTest, ReadyCountEndsWithItsStream)
{
    Open();
    StartManual(StreamRequest(20));
    Emit(2);
    std::vector<uint8_t> frame(kFrameSize);
    ASSERT_EQ(uvc_frame_get(frame.data()), 0);
    ASSERT_EQ(uvc_camera_stream_close(0), 0);
    StartManual(StreamRequest(20));
    EXPECT_EQ(uvc_frame_get(frame.data()), -12);
    Emit(1);
    ASSERT_EQ(uvc_frame_get(frame.data()), 0);
    EXPECT_EQ(frame, ExpectedFrame(2));
}

TEST_F(CameraTest, GetIntoNullBuffer)
{
    deverodi_log_register(1);
    std::string out = Printed([] { EXPECT_EQ(uvc_frame_get(nullptr), -1); });
    EXPECT_NE(out.find("deverodi error ["), std::string::npos);
    EXPECT_NE(out.find("raw_data is empty!"), std::string::npos);
}

TEST_F(CameraTest, WrongSizeFrameIsDropped)
{
    Open();
    StartManual(StreamRequest(20));
    deverodi_log_register(1);
    emu_fault_frame_size(2, 1);
    std::string out = Printed([&] { Emit(1); });
    EXPECT_NE(out.find("frame size error:196610"), std::string::npos);
    std::vector<uint8_t> frame(kFrameSize);
    EXPECT_EQ(uvc_frame_get(frame.data()), -12);
    Emit(1);
    EXPECT_EQ(uvc_frame_get(frame.data()), 0);
    EXPECT_EQ(frame, ExpectedFrame(1));
}

TEST_F(CameraTest, RestartWithLargerFrameSizeKeepsTheFirstBuffer)
{
    Open();
    camera_param_t small = StreamRequest(20);
    small.frame_size = kFrameSize / 2;
    small.fps = 30; // no such rate: the negotiation fails, the buffer stays
    EXPECT_EQ(uvc_camera_stream_start(small, nullptr), -9);
    deverodi_log_register(1);
    StartManual(StreamRequest(20));
    std::string out = Printed([&] { Emit(1); });
    EXPECT_NE(out.find("frame size error:196608"), std::string::npos);
    std::vector<uint8_t> frame(kFrameSize);
    EXPECT_EQ(uvc_frame_get(frame.data()), -12);
    // After a close the next start sizes the buffer afresh.
    ASSERT_EQ(uvc_camera_stream_close(0), 0);
    StartManual(StreamRequest(20));
    Emit(1);
    EXPECT_EQ(uvc_frame_get(frame.data()), 0);
}

TEST_F(CameraTest, NegotiationFailures)
{
    struct Case {
        const char *format;
        uint32_t width, height, fps;
    } cases[] = {{"MJPEG", 256, 384, 25}, {"YUY2", 256, 383, 25}, {"YUY2", 256, 384, 50}, {"any", 100, 100, 25}};
    Open();
    for (const Case &c : cases) {
        camera_param_t p = StreamRequest();
        p.format = c.format;
        p.width = c.width;
        p.height = c.height;
        p.fps = c.fps;
        EXPECT_EQ(uvc_camera_stream_start(p, nullptr), -9) << c.format << " " << c.height;
    }
    camera_param_t any = StreamRequest();
    any.format = "whatever";
    EXPECT_EQ(uvc_camera_stream_start(any, nullptr), 0);
}

TEST_F(CameraTest, StartWithoutOpenCamera)
{
    EXPECT_EQ(uvc_camera_stream_start(StreamRequest(), nullptr), -9);
}

TEST_F(CameraTest, SecondStartWhileStreamingFails)
{
    Open();
    StartManual();
    EXPECT_EQ(uvc_camera_stream_start(StreamRequest(), nullptr), -11);
}

struct Received {
    std::atomic<int> calls{0};
    std::vector<uint8_t> first;
};

void OnFrame(void *frame, void *user)
{
    auto *r = static_cast<Received *>(user);
    if (r->calls == 0)
        r->first.assign(static_cast<uint8_t *>(frame), static_cast<uint8_t *>(frame) + kFrameSize);
    r->calls++;
}

TEST_F(CameraTest, UserCallback)
{
    Open();
    frame_callback_t empty{nullptr, nullptr};
    EXPECT_EQ(uvc_camera_stream_start(StreamRequest(20), &empty), -10);
    Received received;
    frame_callback_t record{OnFrame, &received};
    emu_stream_set_manual(1);
    ASSERT_EQ(uvc_camera_stream_start(StreamRequest(20), &record), 0);
    Emit(2);
    EXPECT_EQ(received.calls, 2);
    EXPECT_EQ(received.first, ExpectedFrame(0));
    // Frames given to the user callback are not counted for gets.
    std::vector<uint8_t> frame(kFrameSize);
    EXPECT_EQ(uvc_frame_get(frame.data()), -12);
}

TEST_F(CameraTest, LogLevels)
{
    struct Case {
        int level;
        bool overtime, empty;
    } cases[] = {{0, true, true}, {1, false, true}, {2, false, false}, {-1, false, false}};
    std::vector<uint8_t> frame(kFrameSize);
    Open();
    StartManual(StreamRequest(5));
    for (const Case &c : cases) {
        deverodi_log_register(c.level);
        std::string out = Printed([&] {
            EXPECT_EQ(uvc_frame_get(frame.data()), -12);
            EXPECT_EQ(uvc_frame_get(nullptr), -1);
        });
        EXPECT_EQ(out.find("deverodi debug [") != std::string::npos && out.find("overtime!") != std::string::npos,
                  c.overtime)
            << c.level;
        EXPECT_EQ(out.find("raw_data is empty!") != std::string::npos, c.empty) << c.level;
    }
}

TEST_F(CameraTest, LogLineIsCutAt200Bytes)
{
    std::string long_text(500, 'x');
    std::string out = Printed([&] { deverodi_log_default("%s", long_text.c_str()); });
    EXPECT_EQ(out, std::string(199, 'x'));
    EXPECT_EQ(Printed([] { deverodi_log_default("n=%d\n", 7); }), "n=7\n");
}

TEST_F(CameraTest, NothingIsLoggedByDefault)
{
    std::string out = Printed([] {
        uvc_frame_get(nullptr);
        i2c_start_stream();
        i2c_stop_stream();
    });
    EXPECT_EQ(out, "");
}

TEST_F(CameraTest, UnplugWhileStreamingMakesGetsTimeOut)
{
    Open();
    emu_set_frame_period_us(1000);
    ASSERT_EQ(uvc_camera_stream_start(StreamRequest(50), nullptr), 0);
    std::vector<uint8_t> frame(kFrameSize);
    ASSERT_EQ(GetOnceDelivered(frame.data()), 0);
    emu_unplug();
    int res = 0;
    for (int i = 0; i < 10000 && res == 0; i++)
        res = uvc_frame_get(frame.data());
    EXPECT_EQ(res, -12);
    EXPECT_EQ(uvc_frame_get(frame.data()), -12);
    EXPECT_EQ(uvc_camera_stream_close(0), 0);
    uvc_camera_close();
    // Plugged back, the module opens and streams again.
    emu_replug();
    ASSERT_EQ(uvc_camera_init(), 0);
    Open();
    ASSERT_EQ(uvc_camera_stream_start(StreamRequest(50), nullptr), 0);
    EXPECT_EQ(GetOnceDelivered(frame.data()), 0);
}

TEST_F(CameraTest, StalledStreamTimesOutAndResumes)
{
    Open();
    emu_set_frame_period_us(1000);
    ASSERT_EQ(uvc_camera_stream_start(StreamRequest(30), nullptr), 0);
    std::vector<uint8_t> frame(kFrameSize);
    ASSERT_EQ(GetOnceDelivered(frame.data()), 0);
    emu_fault_stall(1);
    int res = 0;
    for (int i = 0; i < 10000 && res == 0; i++)
        res = uvc_frame_get(frame.data());
    EXPECT_EQ(res, -12);
    emu_fault_stall(0);
    EXPECT_EQ(GetOnceDelivered(frame.data()), 0);
}

// Closing while frames pour in: the stream is joined before its buffer goes (the sanitizers
// see any callback that touches freed memory, and any race on the frame lock).
TEST_F(CameraTest, CloseWhileFramesArrive)
{
    emu_set_frame_period_us(1);
    emu_set_static_scene(1);
    std::vector<uint8_t> frame(kFrameSize);
    for (int round = 0; round < 20; round++) {
        Open();
        ASSERT_EQ(uvc_camera_stream_start(StreamRequest(2000), nullptr), 0);
        for (int i = 0; i < 5; i++)
            ASSERT_EQ(uvc_frame_get(frame.data()), 0);
        if (round % 2 == 0) {
            ASSERT_EQ(uvc_camera_stream_close(0), 0);
        }
        uvc_camera_close(); // stops a stream still running
        EXPECT_FALSE(emu_streaming());
        uvc_camera_stream_close(0);
    }
}

TEST_F(CameraTest, FrameBufferCreateAndRelease)
{
    camera_param_t p = StreamRequest();
    void *buf = uvc_frame_buf_create(p);
    ASSERT_NE(buf, nullptr);
    std::memset(buf, 0xAB, p.frame_size);
    uvc_frame_buf_release(buf);
    uvc_frame_buf_release(nullptr);
}

TEST_F(CameraTest, ReleaseClosesAnOpenCamera)
{
    Open();
    StartManual();
    uvc_camera_release();
    EXPECT_FALSE(emu_streaming());
    ASSERT_EQ(uvc_camera_init(), 0);
    EXPECT_EQ(uvc_camera_open(EmulatedDevice()), 0);
}

} // namespace
