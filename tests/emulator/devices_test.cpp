// With VANTREL_CAMERA=emulated the emulated module is plugged into this machine: the platform's
// device layer lists it while it is plugged, and its unplugging and plugging back reach the
// registered windows as device notices, as a real camera's would.
#include "emulator/src/emulator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/platform_devices/device_notices.h"

using namespace device_test;

namespace {

const char* const kCameraId = "USB\\VID_0BDA&PID_5840\\0001";

class EmulatedModuleOnTheMachine : public DevicesTest {
protected:
    void SetUp() override
    {
        setenv("VANTREL_CAMERA", "emulated", 1);
        emu_reset();
        DevicesTest::SetUp();
    }
    void TearDown() override
    {
        DevicesTest::TearDown();
        setenv("VANTREL_CAMERA", "emulated", 1);
        emu_reset();
    }
};

TEST_F(EmulatedModuleOnTheMachine, IsListedWhilePlugged)
{
    EXPECT_EQ(PresentIds().count(kCameraId), 1u);
    emu_set_device_count(3);
    std::multiset<std::string> ids = PresentIds();
    EXPECT_EQ(ids.count(kCameraId), 1u);
    EXPECT_EQ(ids.count("USB\\VID_0BDA&PID_5840\\0003"), 1u) << "each clone with its own serial";
    emu_unplug();
    ids = PresentIds();
    EXPECT_EQ(ids.count(kCameraId), 0u);
    EXPECT_EQ(ids.count("USB\\VID_0BDA&PID_5840\\0003"), 0u);
}

TEST_F(EmulatedModuleOnTheMachine, PlugsAndUnplugsAsADevice)
{
    emu_unplug();
    emu_unplug();
    emu_replug();
    EXPECT_EQ(TakeNotices(m_window), (std::vector<Notice>{Removal(kCameraPath), Arrival(kCameraPath)}))
        << "a second unplug changes nothing";
}

TEST_F(EmulatedModuleOnTheMachine, IsNotThereWhenTheUsbCameraIsChosen)
{
    setenv("VANTREL_CAMERA", "usb", 1);
    EXPECT_EQ(PresentIds().count(kCameraId), 0u);
    emu_unplug();
    emu_replug();
    EXPECT_TRUE(TakeNotices(m_window).empty());
}

}  // namespace
