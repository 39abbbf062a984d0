#include "platform/devices/devices.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/devices/provided_devices.h"
#include "platform/kernel/win_errors.h"

namespace platform::devices {
namespace {

struct Device {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::string serial;
};

// A serial as it may stand between the '#' separators of a device path.
std::string CleanSerial(const std::string& serial)
{
    std::string out;
    for (char c : serial)
        out += (c == '#' || c == '\\' || static_cast<unsigned char>(c) <= ' ') ? '_' : c;
    return out;
}

std::uint16_t Hex16(const char* text)
{
    if (text == nullptr)
        return 0;
    unsigned long v = std::strtoul(text, nullptr, 16);
    return v <= 0xFFFF ? static_cast<std::uint16_t>(v) : 0;
}

// The identity of a udev USB device. Devices without a serial number are told apart by their
// port (the device's system name, such as 1-2.3), as Windows makes up an id from the port.
bool DeviceOf(udev_device* dev, Device* out)
{
    const char* vendor = udev_device_get_property_value(dev, "ID_VENDOR_ID");
    const char* product = udev_device_get_property_value(dev, "ID_MODEL_ID");
    if (vendor == nullptr)
        vendor = udev_device_get_sysattr_value(dev, "idVendor");
    if (product == nullptr)
        product = udev_device_get_sysattr_value(dev, "idProduct");
    if (vendor == nullptr || product == nullptr) {
        // PRODUCT=bda/5840/100 is in every USB device event, a removal's included.
        const char* triple = udev_device_get_property_value(dev, "PRODUCT");
        if (triple == nullptr)
            return false;
        unsigned v = 0, p = 0;
        if (std::sscanf(triple, "%x/%x", &v, &p) != 2)
            return false;
        out->vendor = static_cast<std::uint16_t>(v);
        out->product = static_cast<std::uint16_t>(p);
    } else {
        out->vendor = Hex16(vendor);
        out->product = Hex16(product);
    }
    const char* serial = udev_device_get_property_value(dev, "ID_SERIAL_SHORT");
    if (serial == nullptr)
        serial = udev_device_get_sysattr_value(dev, "serial");
    if (serial == nullptr)
        serial = udev_device_get_sysname(dev);
    out->serial = CleanSerial(serial ? serial : "");
    return true;
}

struct Provider {
    platform_device_provider_fn fn;
    void* arg;
};

// Built on first use: a provider may be added while static objects are still being built.
std::vector<Provider> Providers(const Provider* added = nullptr)
{
    static std::mutex lock;
    static std::vector<Provider> providers;
    std::lock_guard guard(lock);
    if (added != nullptr)
        providers.push_back(*added);
    return providers;
}

void AddProvidedDevices(std::vector<Device>& devices)
{
    for (const Provider& p : Providers()) {
        platform_usb_device d{};
        for (unsigned i = 0; p.fn(i, &d, p.arg); ++i) {
            d.serial[sizeof d.serial - 1] = '\0';
            devices.push_back(Device{d.vendor, d.product, CleanSerial(d.serial)});
        }
    }
}

std::vector<Device> PresentDevices(bool* ok)
{
    std::vector<Device> devices;
    *ok = false;
    udev* u = udev_new();
    if (u == nullptr)
        return devices;
    udev_enumerate* e = udev_enumerate_new(u);
    if (e != nullptr && udev_enumerate_add_match_subsystem(e, "usb") >= 0 &&
        udev_enumerate_add_match_property(e, "DEVTYPE", "usb_device") >= 0 && udev_enumerate_scan_devices(e) >= 0) {
        *ok = true;
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e))
        {
            udev_device* dev = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
            Device d;
            if (dev != nullptr && DeviceOf(dev, &d))
                devices.push_back(d);
            if (dev != nullptr)
                udev_device_unref(dev);
        }
    }
    if (e != nullptr)
        udev_enumerate_unref(e);
    udev_unref(u);
    AddProvidedDevices(devices);
    return devices;
}

// ---- notices ----

struct Registration {
    HWND window;
    bool usb;  // notices come only for the USB device class
};

// g_monitorLock orders the monitor's start and stop; g_lock guards the registrations and the
// notice records and is the only lock the monitor thread takes (always after g_monitorLock).
std::mutex g_monitorLock;
std::mutex g_lock;
std::map<HDEVNOTIFY, Registration> g_registrations;
// One notice record per device path, kept for the life of the process: posted notices point at
// them, and a queue may hold a notice for as long as it likes.
std::map<std::string, std::unique_ptr<std::vector<unsigned char>>> g_notices;

const DEV_BROADCAST_DEVICEINTERFACE* NoticeFor(const std::string& path)
{
    auto& slot = g_notices[path];
    if (!slot) {
        std::size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE, dbcc_name) + path.size() + 1;
        slot = std::make_unique<std::vector<unsigned char>>(std::max(size, sizeof(DEV_BROADCAST_DEVICEINTERFACE)), 0);
        auto* n = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE*>(slot->data());
        n->dbcc_size = static_cast<DWORD>(size);
        n->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        n->dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
        std::memcpy(n->dbcc_name, path.c_str(), path.size() + 1);
    }
    return reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(slot->data());
}

void Deliver(bool arrival, const Device& d)
{
    std::vector<HWND> windows;
    const DEV_BROADCAST_DEVICEINTERFACE* notice;
    {
        std::lock_guard guard(g_lock);
        notice = NoticeFor(InterfacePath(d.vendor, d.product, d.serial));
        for (const auto& [handle, r] : g_registrations)
            if (r.usb)
                windows.push_back(r.window);
    }
    for (HWND w : windows)
        PostMessage(w, WM_DEVICECHANGE, arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                    reinterpret_cast<LPARAM>(notice));
}

// The monitor thread: reads udev's USB device events until it is stopped, while any window is
// registered.
class Monitor {
public:
    ~Monitor() { Stop(); }

    void Start()
    {
        if (m_thread.joinable())
            return;
        m_stop = eventfd(0, EFD_CLOEXEC);
        m_udev = udev_new();
        m_monitor = m_udev ? udev_monitor_new_from_netlink(m_udev, "udev") : nullptr;
        // Without udev there are no system events; injected ones still arrive.
        if (m_stop < 0 || m_monitor == nullptr || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "usb", "usb_device") < 0 ||
            udev_monitor_enable_receiving(m_monitor) < 0) {
            Release();
            return;
        }
        m_thread = std::thread([this] { Run(); });
    }

    void Stop()
    {
        if (m_thread.joinable()) {
            std::uint64_t one = 1;
            ssize_t written = write(m_stop, &one, sizeof one);
            (void)written;
            m_thread.join();
        }
        Release();
    }

private:
    void Release()
    {
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        if (m_udev)
            udev_unref(m_udev);
        if (m_stop >= 0)
            close(m_stop);
        m_monitor = nullptr;
        m_udev = nullptr;
        m_stop = -1;
    }

    void Run()
    {
        std::map<std::string, Device> known;  // by device path: a removal may lack the identity
        pollfd fds[2] = {{udev_monitor_get_fd(m_monitor), POLLIN, 0}, {m_stop, POLLIN, 0}};
        for (;;) {
            if (poll(fds, 2, -1) < 0)
                continue;
            if (fds[1].revents)
                return;
            udev_device* dev = udev_monitor_receive_device(m_monitor);
            if (dev == nullptr)
                continue;
            const char* action = udev_device_get_action(dev);
            const char* devpath = udev_device_get_devpath(dev);
            std::string key = devpath ? devpath : "";
            Device d;
            bool arrival = action && std::strcmp(action, "add") == 0;
            bool removal = action && std::strcmp(action, "remove") == 0;
            if (arrival && DeviceOf(dev, &d)) {
                known[key] = d;
                Deliver(true, d);
            } else if (removal) {
                auto it = known.find(key);
                if (it != known.end()) {
                    Deliver(false, it->second);
                    known.erase(it);
                } else if (DeviceOf(dev, &d)) {
                    Deliver(false, d);
                }
            }
            udev_device_unref(dev);
        }
    }

    std::thread m_thread;
    int m_stop = -1;
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
};

Monitor g_monitor;  // started and stopped under g_monitorLock

}  // namespace

std::string InterfacePath(std::uint16_t vendor, std::uint16_t product, const std::string& serial)
{
    char head[64];
    std::snprintf(head, sizeof head, "\\\\?\\USB#VID_%04X&PID_%04X#", vendor, product);
    return head + serial + "#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";
}

std::string InstanceId(std::uint16_t vendor, std::uint16_t product, const std::string& serial)
{
    char head[48];
    std::snprintf(head, sizeof head, "USB\\VID_%04X&PID_%04X\\", vendor, product);
    return head + serial;
}

void InjectDeviceEvent(bool arrival, std::uint16_t vendor, std::uint16_t product, const std::string& serial)
{
    Deliver(arrival, Device{vendor, product, CleanSerial(serial)});
}

}  // namespace platform::devices

using namespace platform::devices;

void platform_devices_add_provider(platform_device_provider_fn fn, void* arg)
{
    const Provider added{fn, arg};
    Providers(&added);
}

void platform_devices_report(int arrival, std::uint16_t vendor, std::uint16_t product, const char* serial)
{
    InjectDeviceEvent(arrival != 0, vendor, product, serial != nullptr ? serial : "");
}

HDEVNOTIFY RegisterDeviceNotification(HANDLE recipient, LPVOID filter, DWORD flags)
{
    auto* f = static_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(filter);
    HWND window = static_cast<HWND>(recipient);
    if (f == nullptr || flags != DEVICE_NOTIFY_WINDOW_HANDLE || f->dbcc_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE, dbcc_name) ||
        f->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE || !IsWindow(window)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Only the USB device class has notices here; other classes register and hear nothing.
    bool usb = f->dbcc_classguid == GUID_DEVINTERFACE_USB_DEVICE;
    static std::uintptr_t next = 0;
    std::lock_guard monitorGuard(g_monitorLock);
    HDEVNOTIFY handle;
    {
        std::lock_guard guard(g_lock);
        // Handles are distinct small numbers that point at nothing.
        handle = reinterpret_cast<HDEVNOTIFY>(0x1000 + 16 * ++next);
        g_registrations[handle] = Registration{window, usb};
    }
    if (usb)
        g_monitor.Start();
    return handle;
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY notification)
{
    std::lock_guard monitorGuard(g_monitorLock);
    bool anyUsb = false;
    {
        std::lock_guard guard(g_lock);
        if (g_registrations.erase(notification) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        for (const auto& [h, r] : g_registrations)
            anyUsb = anyUsb || r.usb;
    }
    if (!anyUsb)
        g_monitor.Stop();
    return TRUE;
}

// ---- device information sets ----

namespace {

struct DeviceSet {
    std::vector<std::string> ids;
};
std::mutex g_setsLock;
std::set<DeviceSet*> g_sets;

DeviceSet* LiveSet(HDEVINFO handle)
{
    auto* set = static_cast<DeviceSet*>(handle);
    return g_sets.count(set) ? set : nullptr;
}

}  // namespace

HDEVINFO SetupDiGetClassDevs(const GUID* classGuid, LPCSTR, HWND, DWORD flags)
{
    bool all = (flags & DIGCF_ALLCLASSES) != 0;
    if (!all && classGuid == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto set = std::make_unique<DeviceSet>();
    if (all || *classGuid == GUID_DEVINTERFACE_USB_DEVICE) {
        bool ok = false;
        for (const auto& d : PresentDevices(&ok))
            set->ids.push_back(InstanceId(d.vendor, d.product, d.serial));
        if (!ok && set->ids.empty()) {
            SetLastError(ERROR_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
    }
    std::lock_guard guard(g_setsLock);
    g_sets.insert(set.get());
    return set.release();
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO handle, DWORD index, PSP_DEVINFO_DATA data)
{
    std::lock_guard guard(g_setsLock);
    DeviceSet* set = LiveSet(handle);
    if (set == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (index >= set->ids.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->ClassGuid = GUID_DEVINTERFACE_USB_DEVICE;
    data->DevInst = index + 1;
    data->Reserved = index;
    return TRUE;
}

BOOL SetupDiGetDeviceInstanceId(HDEVINFO handle, PSP_DEVINFO_DATA data, LPSTR id, DWORD idSize, DWORD* requiredSize)
{
    std::lock_guard guard(g_setsLock);
    DeviceSet* set = LiveSet(handle);
    if (set == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA) || data->Reserved >= set->ids.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string& text = set->ids[data->Reserved];
    DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (requiredSize != nullptr)
        *requiredSize = needed;
    if (id == nullptr || idSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(id, text.c_str(), needed);
    return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO handle)
{
    std::lock_guard guard(g_setsLock);
    DeviceSet* set = LiveSet(handle);
    if (set == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    g_sets.erase(set);
    delete set;
    return TRUE;
}
