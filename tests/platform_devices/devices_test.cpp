#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/devices/devices.h"
#include "platform/kernel/win_errors.h"
#include "platform/user/message_queue.h"

#ifdef VANTREL_WITH_EMULATOR
#include "emulator/src/emulator.h"
#endif

namespace {

// The emulated camera, unless the one running the tests chose otherwise.
const bool kEmulated = setenv("VANTREL_CAMERA", "emulated", 0) == 0;

const char* const kCameraPath = "\\\\?\\USB#VID_0BDA&PID_5840#0001#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";

DEV_BROADCAST_DEVICEINTERFACE UsbFilter()
{
    DEV_BROADCAST_DEVICEINTERFACE filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
    return filter;
}

struct Notice {
    WPARAM event;
    std::string name;
    DWORD type;
};

// The device notices queued for the window, oldest first.
std::vector<Notice> TakeNotices(HWND window)
{
    std::vector<Notice> out;
    MSG msg;
    while (PeekMessage(&msg, window, WM_DEVICECHANGE, WM_DEVICECHANGE, PM_REMOVE)) {
        auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(msg.lParam);
        auto* n = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(msg.lParam);
        EXPECT_EQ(n->dbcc_size, offsetof(DEV_BROADCAST_DEVICEINTERFACE, dbcc_name) + std::strlen(n->dbcc_name) + 1);
        EXPECT_TRUE(n->dbcc_classguid == GUID_DEVINTERFACE_USB_DEVICE);
        out.push_back({msg.wParam, n->dbcc_name, header->dbch_devicetype});
    }
    return out;
}

class DevicesTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_window = platform::user::AllocateWindowHandle();
        DEV_BROADCAST_DEVICEINTERFACE filter = UsbFilter();
        m_notify = RegisterDeviceNotification(m_window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        ASSERT_NE(m_notify, nullptr);
        TakeNotices(m_window);
    }
    void TearDown() override
    {
        if (m_notify) {
            EXPECT_TRUE(UnregisterDeviceNotification(m_notify));
        }
        platform::user::ReleaseWindowHandle(m_window);
    }

    HWND m_window = nullptr;
    HDEVNOTIFY m_notify = nullptr;
};

TEST(DevicePaths, HaveTheWindowsForm)
{
    EXPECT_EQ(platform::devices::InterfacePath(0x0BDA, 0x5840, "0001"), kCameraPath);
    EXPECT_EQ(platform::devices::InterfacePath(0x0bda, 0x5830, ""), "\\\\?\\USB#VID_0BDA&PID_5830##{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
    EXPECT_EQ(platform::devices::InstanceId(0x046D, 0x0825, "ABC"), "USB\\VID_046D&PID_0825\\ABC");
}

TEST_F(DevicesTest, AnArrivalAndARemovalReachTheWindow)
{
    platform::devices::InjectDeviceEvent(true, 0x0BDA, 0x5840, "0001");
    platform::devices::InjectDeviceEvent(false, 0x0BDA, 0x5840, "0001");
    std::vector<Notice> got = TakeNotices(m_window);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].event, DBT_DEVICEARRIVAL);
    EXPECT_EQ(got[0].type, DBT_DEVTYP_DEVICEINTERFACE);
    EXPECT_EQ(got[0].name, kCameraPath);
    EXPECT_EQ(got[1].event, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(got[1].name, kCameraPath);
}

TEST_F(DevicesTest, NoticesComeThroughGetMessageFromAnotherThread)
{
    std::thread monitor([] { platform::devices::InjectDeviceEvent(true, 0x0BDA, 0x5830, "SN#9"); });
    MSG msg{};
    ASSERT_TRUE(GetMessage(&msg, m_window, WM_DEVICECHANGE, WM_DEVICECHANGE));
    monitor.join();
    EXPECT_EQ(msg.message, WM_DEVICECHANGE);
    EXPECT_EQ(msg.wParam, DBT_DEVICEARRIVAL);
    // A '#' in a serial would break the path apart; it is replaced.
    EXPECT_STREQ(reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(msg.lParam)->dbcc_name,
                 "\\\\?\\USB#VID_0BDA&PID_5830#SN_9#{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
}

TEST_F(DevicesTest, EveryRegisteredWindowHearsAndUnregisteredOnesDoNot)
{
    HWND second = platform::user::AllocateWindowHandle();
    DEV_BROADCAST_DEVICEINTERFACE filter = UsbFilter();
    HDEVNOTIFY secondNotify = RegisterDeviceNotification(second, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    ASSERT_NE(secondNotify, nullptr);
    platform::devices::InjectDeviceEvent(true, 0x0BDA, 0x5840, "0001");
    EXPECT_EQ(TakeNotices(m_window).size(), 1u);
    EXPECT_EQ(TakeNotices(second).size(), 1u);

    EXPECT_TRUE(UnregisterDeviceNotification(secondNotify));
    EXPECT_FALSE(UnregisterDeviceNotification(secondNotify));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    platform::devices::InjectDeviceEvent(false, 0x0BDA, 0x5840, "0001");
    EXPECT_EQ(TakeNotices(m_window).size(), 1u);
    EXPECT_TRUE(TakeNotices(second).empty());
    platform::user::ReleaseWindowHandle(second);
}

TEST_F(DevicesTest, ADestroyedWindowIsSkipped)
{
    platform::user::ReleaseWindowHandle(m_window);
    platform::devices::InjectDeviceEvent(true, 0x0BDA, 0x5840, "0001");
    EXPECT_TRUE(TakeNotices(m_window).empty());
}

TEST_F(DevicesTest, OtherInterfaceClassesHearNothing)
{
    HWND other = platform::user::AllocateWindowHandle();
    DEV_BROADCAST_DEVICEINTERFACE filter = UsbFilter();
    filter.dbcc_classguid.Data1 = 0x53F56307;  // some other class
    HDEVNOTIFY n = RegisterDeviceNotification(other, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    ASSERT_NE(n, nullptr);
    platform::devices::InjectDeviceEvent(true, 0x0BDA, 0x5840, "0001");
    EXPECT_TRUE(TakeNotices(other).empty());
    EXPECT_TRUE(UnregisterDeviceNotification(n));
    platform::user::ReleaseWindowHandle(other);
}

TEST(RegisterDeviceNotification, RefusesBadRequests)
{
    HWND window = platform::user::AllocateWindowHandle();
    DEV_BROADCAST_DEVICEINTERFACE filter = UsbFilter();
    EXPECT_EQ(RegisterDeviceNotification(window, nullptr, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegisterDeviceNotification(window, &filter, 1), nullptr);
    DEV_BROADCAST_DEVICEINTERFACE wrongType = filter;
    wrongType.dbcc_devicetype = 2;  // a volume
    EXPECT_EQ(RegisterDeviceNotification(window, &wrongType, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
    DEV_BROADCAST_DEVICEINTERFACE tooSmall = filter;
    tooSmall.dbcc_size = 8;
    EXPECT_EQ(RegisterDeviceNotification(window, &tooSmall, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
    platform::user::ReleaseWindowHandle(window);
    EXPECT_EQ(RegisterDeviceNotification(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
}

std::vector<std::string> InstanceIds(HDEVINFO set)
{
    std::vector<std::string> ids;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &data); ++i) {
        char id[260];
        EXPECT_TRUE(SetupDiGetDeviceInstanceId(set, &data, id, sizeof id, nullptr));
        ids.push_back(id);
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    return ids;
}

TEST(DeviceEnumeration, ListsThePresentUsbDevices)
{
    HDEVINFO set = SetupDiGetClassDevs(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    std::vector<std::string> ids = InstanceIds(set);
    for (const auto& id : ids)
        EXPECT_EQ(id.rfind("USB\\VID_", 0), 0u) << id;
#ifdef VANTREL_WITH_EMULATOR
    if (const char* camera = std::getenv("VANTREL_CAMERA"); camera && std::string(camera) == "emulated") {
        EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).count("USB\\VID_0BDA&PID_5840\\0001"), 1u)
            << "the emulated camera is present";
    }
#endif
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
}

TEST(DeviceEnumeration, ShortBuffersAndBadArguments)
{
    HDEVINFO set = SetupDiGetClassDevs(&GUID_DEVINTERFACE_USB_DEVICE, nullptr, nullptr, DIGCF_PRESENT);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data - 1;
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    data.cbSize = sizeof data;
    if (SetupDiEnumDeviceInfo(set, 0, &data)) {
        char tiny[4];
        DWORD needed = 0;
        EXPECT_FALSE(SetupDiGetDeviceInstanceId(set, &data, tiny, sizeof tiny, &needed));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        std::vector<char> fits(needed);
        EXPECT_TRUE(SetupDiGetDeviceInstanceId(set, &data, fits.data(), needed, nullptr));
        EXPECT_EQ(std::strlen(fits.data()) + 1, needed);
    }
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(SetupDiGetClassDevs(nullptr, nullptr, nullptr, DIGCF_PRESENT), INVALID_HANDLE_VALUE);
}

#ifdef VANTREL_WITH_EMULATOR
TEST_F(DevicesTest, TheEmulatedCameraPlugsAndUnplugsAsADevice)
{
    const char* camera = std::getenv("VANTREL_CAMERA");
    if (camera == nullptr || std::string(camera) != "emulated")
        GTEST_SKIP() << "needs VANTREL_CAMERA=emulated";
    emu_unplug();
    emu_replug();
    std::vector<Notice> got = TakeNotices(m_window);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].event, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(got[0].name, kCameraPath);
    EXPECT_EQ(got[1].event, DBT_DEVICEARRIVAL);
    EXPECT_EQ(got[1].name, kCameraPath);

    emu_unplug();
    HDEVINFO set = SetupDiGetClassDevs(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    std::vector<std::string> ids = InstanceIds(set);
    SetupDiDestroyDeviceInfoList(set);
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).count("USB\\VID_0BDA&PID_5840\\0001"), 0u);
    emu_replug();
    TakeNotices(m_window);
}
#endif

}  // namespace
