// USB devices: enumeration of the present devices (SetupAPI's device information sets) and
// arrival and removal notices (RegisterDeviceNotification, WM_DEVICECHANGE), from libudev. Devices
// that a program provides (provided_devices.h) are listed and noticed as USB devices too.
//
// A notice is posted (PostMessage) to every registered window: WM_DEVICECHANGE with
// DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE and, as lParam, a DEV_BROADCAST_DEVICEINTERFACE
// whose name has the form \\?\USB#VID_0BDA&PID_5840#<serial>#{A5DCBF10-6530-11D2-901F-00C04FB951ED}.
// The record is read-only and stays valid for the rest of the process (one per device path), so
// a posted notice may be handled whenever the queue gets to it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/kernel/win_types.h"
#include "platform/user/user_types.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
inline bool operator==(const GUID& a, const GUID& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::equal(a.Data4, a.Data4 + 8, b.Data4);
}

// The USB device interface class.
inline constexpr GUID GUID_DEVINTERFACE_USB_DEVICE = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_INVALID_USER_BUFFER 1784L
#define ERROR_NOT_FOUND 1168L

// ---- notices ----

#define DBT_DEVICEARRIVAL 0x8000u
#define DBT_DEVICEREMOVECOMPLETE 0x8004u
#define DBT_DEVTYP_DEVICEINTERFACE 0x00000005u
#define DEVICE_NOTIFY_WINDOW_HANDLE 0x00000000u

struct DEV_BROADCAST_HDR {
    DWORD dbch_size;
    DWORD dbch_devicetype;
    DWORD dbch_reserved;
};
using PDEV_BROADCAST_HDR = DEV_BROADCAST_HDR*;

struct DEV_BROADCAST_DEVICEINTERFACE {
    DWORD dbcc_size;  // of the whole record, name and terminator included
    DWORD dbcc_devicetype;
    DWORD dbcc_reserved;
    GUID dbcc_classguid;
    char dbcc_name[1];  // NUL-terminated, runs past the declared size
};
using PDEV_BROADCAST_DEVICEINTERFACE = DEV_BROADCAST_DEVICEINTERFACE*;

// Registers the window for the notices of the filter's interface class (a
// DEV_BROADCAST_DEVICEINTERFACE of device type DBT_DEVTYP_DEVICEINTERFACE; only the USB device
// class has notices here). NULL with ERROR_INVALID_PARAMETER for a bad filter, flags other than
// DEVICE_NOTIFY_WINDOW_HANDLE, or a handle that is not a live window.
HDEVNOTIFY RegisterDeviceNotification(HANDLE recipient, LPVOID filter, DWORD flags);
// FALSE (ERROR_INVALID_HANDLE) for a handle that is not registered.
BOOL UnregisterDeviceNotification(HDEVNOTIFY notification);

// ---- device information sets ----

using HDEVINFO = void*;

#define DIGCF_DEFAULT 0x00000001u
#define DIGCF_PRESENT 0x00000002u
#define DIGCF_ALLCLASSES 0x00000004u
#define DIGCF_PROFILE 0x00000008u
#define DIGCF_DEVICEINTERFACE 0x00000010u

struct SP_DEVINFO_DATA {
    DWORD cbSize;  // sizeof(SP_DEVINFO_DATA), set by the caller
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
};
using PSP_DEVINFO_DATA = SP_DEVINFO_DATA*;

// The present USB devices (with DIGCF_ALLCLASSES, or for the USB device class), each with an
// instance id of the form USB\VID_0BDA&PID_5840\<serial>. INVALID_HANDLE_VALUE when the devices
// cannot be listed.
HDEVINFO SetupDiGetClassDevs(const GUID* classGuid, LPCSTR enumerator, HWND parent, DWORD flags);
// The index-th device; FALSE with ERROR_NO_MORE_ITEMS past the last one.
BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA data);
// The device's instance id; FALSE with ERROR_INSUFFICIENT_BUFFER (and `requiredSize`, the
// characters needed with the terminator) when it does not fit.
BOOL SetupDiGetDeviceInstanceId(HDEVINFO set, PSP_DEVINFO_DATA data, LPSTR id, DWORD idSize, DWORD* requiredSize);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);

namespace platform::devices {

// \\?\USB#VID_xxxx&PID_xxxx#<serial>#{A5DCBF10-6530-11D2-901F-00C04FB951ED}
std::string InterfacePath(std::uint16_t vendor, std::uint16_t product, const std::string& serial);
// USB\VID_xxxx&PID_xxxx\<serial>
std::string InstanceId(std::uint16_t vendor, std::uint16_t product, const std::string& serial);

// Posts an arrival (or removal) of the device to every registered window, as the monitor does
// for a device seen by the system. Callable from any thread; platform_devices_report comes
// through here, and so may a test's.
void InjectDeviceEvent(bool arrival, std::uint16_t vendor, std::uint16_t product, const std::string& serial);

}  // namespace platform::devices
