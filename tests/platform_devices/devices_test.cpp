#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/devices/devices.h"
#include "platform/devices/provided_devices.h"
#include "platform/kernel/win_errors.h"
#include "platform/user/message_queue.h"
#include "tests/platform_devices/device_notices.h"

using namespace device_test;

namespace {

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
    EXPECT_EQ(TakeNotices(m_window), (std::vector<Notice>{Arrival(kCameraPath), Removal(kCameraPath)}));
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

TEST(DeviceEnumeration, ListsThePresentUsbDevices)
{
    HDEVINFO set = SetupDiGetClassDevs(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    std::vector<std::string> ids = InstanceIds(set);
    for (const auto& id : ids)
        EXPECT_EQ(id.rfind("USB\\VID_", 0), 0u) << id;
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

// A provider whose devices the test sets.
std::vector<platform_usb_device> g_provided;

int ProvideFromTest(unsigned index, platform_usb_device* device, void*)
{
    if (index >= g_provided.size())
        return 0;
    *device = g_provided[index];
    return 1;
}

platform_usb_device Provided(std::uint16_t vendor, std::uint16_t product, const char* serial)
{
    platform_usb_device d{vendor, product, {}};
    std::snprintf(d.serial, sizeof d.serial, "%s", serial);
    return d;
}

TEST(ProvidedDevices, AreListedWhileTheProviderHasThem)
{
    static const bool added = (platform_devices_add_provider(ProvideFromTest, nullptr), true);
    ASSERT_TRUE(added);
    const std::string first = "USB\\VID_0BDA&PID_5840\\0001";
    const std::string second = "USB\\VID_0BDA&PID_5830\\A_B";
    g_provided = {Provided(0x0BDA, 0x5840, "0001"), Provided(0x0BDA, 0x5830, "A#B")};
    std::multiset<std::string> ids = PresentIds();
    EXPECT_EQ(ids.count(first), 1u);
    EXPECT_EQ(ids.count(second), 1u) << "a '#' in a serial is replaced";
    g_provided.clear();
    ids = PresentIds();
    EXPECT_EQ(ids.count(first), 0u);
    EXPECT_EQ(ids.count(second), 0u);
}

TEST_F(DevicesTest, AReportedDeviceIsNoticedAsAnyOther)
{
    platform_devices_report(0, 0x0BDA, 0x5840, "0001");
    platform_devices_report(1, 0x0BDA, 0x5840, "0001");
    EXPECT_EQ(TakeNotices(m_window), (std::vector<Notice>{Removal(kCameraPath), Arrival(kCameraPath)}));
}

}  // namespace
