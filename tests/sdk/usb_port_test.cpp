// The SDK over libuvc and libusb on a machine without the camera module: what a user who has not
// plugged it in gets from each call. Skipped where a module is attached.
#include "deverodi/src/camera_port.h"
#include "deverodi/src/data_rw.h"
#include "tests/sdk/sdk_fixture.h"

#include <cstdlib>
#include <vector>

using namespace sdk_test;

namespace {

class UsbPortWithoutCamera : public SdkTest {
protected:
    void SetUp() override
    {
        SdkTest::SetUp();
        uvc_camera_release();
        camera_port_use(camera_port_usb());
    }

    void TearDown() override
    {
        SdkTest::TearDown();
        uvc_camera_release();
        camera_port_use(nullptr);
    }

    // True when the list holds the module; frees the listed product strings.
    static bool ModuleListed(camera_dev_t *devs)
    {
        bool found = false;
        for (int i = 0; i < DEVERODI_MAX_DEVICES; i++) {
            found = found || (devs[i].vid == 0x0BDA && (devs[i].pid == 0x5840 || devs[i].pid == 0x5830));
            free(devs[i].product);
        }
        return found;
    }
};

TEST_F(UsbPortWithoutCamera, EveryCallFailsWithItsOwnCode)
{
    ASSERT_EQ(uvc_camera_init(), 0);
    camera_dev_t devs[DEVERODI_MAX_DEVICES] = {};
    ASSERT_EQ(uvc_camera_list(devs), 0);
    if (ModuleListed(devs))
        GTEST_SKIP() << "a camera module is attached";

    EXPECT_EQ(uvc_camera_open(camera_dev_t{0x5840, 0x0BDA, nullptr}), -4);
    camera_stream_info_t infos[DEVERODI_MAX_STREAM_INFOS] = {};
    EXPECT_EQ(uvc_camera_info_get(camera_dev_t{0x5840, 0x0BDA, nullptr}, infos), -4);
    uint8_t status = 0;
    EXPECT_EQ(uvc_control_cmd(0xC1, 0x44, 0x78, 0x0200, &status, 1, 1000), -15);
    EXPECT_EQ(uvc_camera_stream_start(StreamRequest(20), nullptr), -9);
    std::vector<uint8_t> frame(kFrameSize);
    EXPECT_EQ(uvc_frame_get(frame.data()), -12);
    EXPECT_EQ(uvc_camera_stream_close(0), 0);
    uvc_camera_close();
}

} // namespace
