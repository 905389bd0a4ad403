#include "engine/usb/target_device.h"

#include "platform/debug/debug.h"

#include <cerrno>
#include <map>
#include <string>

LastOpenedIds OpenedDeviceIds;

UsbDeviceIds LastOpenedIds::Get() const
{
    const DWORD packed = packed_.load();
    return {static_cast<WORD>(packed >> 16), static_cast<WORD>(packed & 0xFFFF)};
}

void LastOpenedIds::Set(UsbDeviceIds ids)
{
    packed_.store(static_cast<DWORD>(ids.idVendor) << 16 | ids.idProduct);
}

namespace {

std::mutex& BusLock()
{
    static std::mutex lock;
    return lock;
}

// One lock per device, by its place on the bus; the map only grows, as devices are few.
std::recursive_mutex& DeviceLock(const std::string& place)
{
    static std::mutex mapLock;
    static std::map<std::string, std::unique_ptr<std::recursive_mutex>> locks;
    std::lock_guard guard(mapLock);
    auto& lock = locks[place];
    if (!lock)
        lock = std::make_unique<std::recursive_mutex>();
    return *lock;
}

std::string PlaceOf(const struct usb_device* device)
{
    return std::string(device->bus->dirname) + "/" + device->filename;
}

// Under the bus lock: a fresh view of the bus.
void RescanBus()
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
}

// Under the bus lock: a fresh view of the bus and its first supported device.
struct usb_device* FindFirst(UsbDeviceIds& ids)
{
    RescanBus();
    return OpenTargetDevice(ids);
}

struct LockedDevice {
    struct usb_device* device = nullptr;
    UsbDeviceIds ids{};
    std::unique_lock<std::recursive_mutex> lock;
};

// Under the bus lock `bus`: the first supported device with its own lock held, or no
// device. Waits for another procedure that holds the device without holding up the bus.
LockedDevice LockFirstDevice(std::unique_lock<std::mutex>& bus)
{
    for (;;) {
        LockedDevice found;
        found.device = FindFirst(found.ids);
        if (found.device == nullptr)
            return found;
        const std::string place = PlaceOf(found.device);
        found.lock = std::unique_lock(DeviceLock(place), std::try_to_lock);
        if (found.lock.owns_lock())
            return found;
        bus.unlock();
        found.lock.lock();
        bus.lock();
        // The bus may have changed meanwhile.
        found.device = FindFirst(found.ids);
        if (found.device == nullptr || PlaceOf(found.device) == place)
            return found;
    }
}

// libusb-0.1 hands out a handle even when it could not open the device node (no access
// rights, a node that has just gone). Asking for the interface's driver tells: only a
// handle without an open node fails that with EBADF.
bool NodeOpened(usb_dev_handle* handle)
{
    char driver[64];
    return usb_get_driver_np(handle, 0, driver, sizeof driver) != -EBADF;
}

} // namespace

struct usb_device* OpenTargetDevice(UsbDeviceIds& ids)
{
    OpenedDeviceIds.Set({0, 0});
    for (usb_bus* bus = usb_get_busses(); bus != nullptr; bus = bus->next)
        for (struct usb_device* device = bus->devices; device != nullptr; device = device->next)
            if (IsSupportedDevice(device->descriptor.idVendor, device->descriptor.idProduct)) {
                ids = {device->descriptor.idVendor, device->descriptor.idProduct};
                OpenedDeviceIds.Set(ids);
                return device;
            }
    return nullptr;
}

int CountSupportedDevices()
{
    std::lock_guard bus(BusLock());
    RescanBus();
    int count = 0;
    for (usb_bus* each = usb_get_busses(); each != nullptr; each = each->next)
        for (struct usb_device* device = each->devices; device != nullptr; device = device->next)
            if (IsSupportedDevice(device->descriptor.idVendor, device->descriptor.idProduct))
                ++count;
    return count;
}

std::unique_ptr<TargetDevice> TargetDevice::Open()
{
    std::unique_lock bus(BusLock());
    LockedDevice found = LockFirstDevice(bus);
    if (found.device == nullptr)
        return nullptr;
    usb_dev_handle* handle = usb_open(found.device);
    if (handle == nullptr || !NodeOpened(handle)) {
        platform::DebugPrintf("  usb_open %s failed", PlaceOf(found.device).c_str());
        if (handle != nullptr)
            usb_close(handle);
        return nullptr;
    }
    return std::unique_ptr<TargetDevice>(new TargetDevice(handle, found.ids, std::move(found.lock)));
}

TargetDevice::TargetDevice(usb_dev_handle* handle, UsbDeviceIds ids, std::unique_lock<std::recursive_mutex> deviceLock)
    : handle_(handle), ids_(ids), deviceLock_(std::move(deviceLock))
{
}

TargetDevice::~TargetDevice()
{
    std::lock_guard bus(BusLock());
    usb_close(handle_);
}

DeviceSession::DeviceSession()
{
    std::unique_lock bus(BusLock());
    deviceLock_ = LockFirstDevice(bus).lock;
}
