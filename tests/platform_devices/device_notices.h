// What a window registered for USB device notices hears, and what an enumeration lists.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/devices/devices.h"
#include "platform/kernel/win_errors.h"
#include "platform/user/message_queue.h"

namespace device_test {

inline const char* const kCameraPath = "\\\\?\\USB#VID_0BDA&PID_5840#0001#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";

inline DEV_BROADCAST_DEVICEINTERFACE UsbFilter()
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
    bool operator==(const Notice&) const = default;
};

inline void PrintTo(const Notice& n, std::ostream* os)
{
    *os << (n.event == DBT_DEVICEARRIVAL ? "arrival " : n.event == DBT_DEVICEREMOVECOMPLETE ? "removal " : "event ")
        << n.name << " type " << n.type;
}

inline Notice Arrival(const std::string& name)
{
    return {DBT_DEVICEARRIVAL, name, DBT_DEVTYP_DEVICEINTERFACE};
}

inline Notice Removal(const std::string& name)
{
    return {DBT_DEVICEREMOVECOMPLETE, name, DBT_DEVTYP_DEVICEINTERFACE};
}

// The device notices queued for the window, oldest first.
inline std::vector<Notice> TakeNotices(HWND window)
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

// A window registered for USB device notices, with none queued yet.
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

inline std::vector<std::string> InstanceIds(HDEVINFO set)
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

inline std::multiset<std::string> PresentIds()
{
    HDEVINFO set = SetupDiGetClassDevs(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    EXPECT_NE(set, INVALID_HANDLE_VALUE);
    std::vector<std::string> ids = InstanceIds(set);
    SetupDiDestroyDeviceInfoList(set);
    return std::multiset<std::string>(ids.begin(), ids.end());
}

}  // namespace device_test
