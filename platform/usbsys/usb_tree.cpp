#include "platform/usbsys/usb_tree.h"

#include "platform/base/entry_memo.h"
#include "platform/usbsys/sysfs.h"
#include "platform/usbsys/usb_disks.h"
#include "platform/usbsys/usb_flags.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <string_view>
#include <strings.h>

namespace platform::usbsys {
namespace {

// A number as the kernel writes it in a device's name: decimal digits, no leading zero.
std::optional<unsigned> NameNumber(std::string_view text)
{
    if (text.size() > 1 && text[0] == '0')
        return std::nullopt;
    return text.find('.') == std::string_view::npos ? ParseDecimalNumber(text) : std::nullopt;
}

// The order a walk of the tree meets devices in: by bus, then port by port, parents first.
bool TreeOrder(const UsbDevice& a, const UsbDevice& b)
{
    if (a.bus != b.bus)
        return a.bus < b.bus;
    return a.ports < b.ports;
}

// Instance ids do not tell letter case apart, so neither does this.
bool SerialsMatch(const std::string& a, const std::string& b)
{
    return !a.empty() && ::strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool SameSerial(const UsbDevice& a, const UsbDevice& b)
{
    return a.sysName != b.sysName && a.vendorId == b.vendorId && a.productId == b.productId && a.serial && b.serial &&
           SerialsMatch(*a.serial, *b.serial);
}

constexpr std::size_t kDeviceDescriptorBytes = 18;

// What a device of the bus's listing is: everything ReadUsbDevice reads is fixed when the
// device is enumerated (a hub's port count once its driver has taken it), and one entry of
// the listing stands for one device while it exists.
EntryMemo<UsbDevice>& KnownDevices()
{
    static auto* known = new EntryMemo<UsbDevice>; // outlives every static destructor that may still ask
    return *known;
}

bool IsDeviceName(const std::string& name)
{
    unsigned bus;
    std::vector<unsigned> ports;
    return ParseDeviceName(name, bus, ports);
}

std::string DevicesFolder()
{
    return SysfsRoot() + "/bus/usb/devices";
}

// A device of the bus's listing, read only when its entry is new.
std::optional<UsbDevice> ListedDevice(const std::string& folder, const std::string& name, PathResolver& resolver)
{
    static std::atomic<std::uint64_t> arrivals{0};
    const std::string entry = folder + "/" + name;
    // A hub's ports are counted when its driver takes it, after it is listed.
    return KnownDevices().Get(
        entry,
        [&] {
            auto device = ReadUsbDevice(name, resolver.Resolve(entry));
            if (device)
                device->arrival = ++arrivals;
            return device;
        },
        [](const UsbDevice& device) { return device.deviceClass != 9 || device.portCount > 0; });
}

// Whether each present device's serial is shared (or ignored for its model), as settled at
// its arrival (by sysfs name).
class SettledSharing {
public:
    // The settled answer, or `sharedNow()` settled now for a device that has just come.
    template <class SharedNow>
    bool Of(const UsbDevice& device, SharedNow sharedNow)
    {
        if (!device.serial || device.serial->empty())
            return false;
        // The hub driver reads the model's flag when a device comes, as it reads a twin's serial.
        auto cannotName = [&] { return SerialNumbersIgnored(device.vendorId, device.productId) || sharedNow(); };
        if (device.arrival == 0)
            return cannotName(); // not a device of the listing: nothing tells its arrivals apart
        {
            std::lock_guard guard(lock_);
            auto settled = settled_.find(device.sysName);
            if (settled != settled_.end() && settled->second.arrival == device.arrival)
                return settled->second.shared;
        }
        const bool shared = cannotName();
        std::lock_guard guard(lock_);
        // Another reader may have settled it meanwhile: the first answer stands.
        auto [settled, added] = settled_.try_emplace(device.sysName, Settled{device.arrival, shared});
        if (!added && settled->second.arrival != device.arrival)
            settled->second = {device.arrival, shared};
        return settled->second.shared;
    }

private:
    struct Settled {
        std::uint64_t arrival;
        bool shared;
    };
    std::mutex lock_;
    std::map<std::string, Settled> settled_;
};

SettledSharing& Sharing()
{
    static auto* sharing = new SettledSharing; // outlives every static destructor that may still ask
    return *sharing;
}

std::vector<UsbDevice> ReadUsbDevices(PathResolver& resolver)
{
    std::vector<UsbDevice> devices;
    const std::string folder = DevicesFolder();
    for (const auto& name : ListFolder(folder))
        if (IsDeviceName(name))
            if (auto device = ListedDevice(folder, name, resolver))
                devices.push_back(std::move(*device));
    std::sort(devices.begin(), devices.end(), TreeOrder);
    for (auto& device : devices)
        device.serialShared = Sharing().Of(device, [&] {
            return std::any_of(devices.begin(), devices.end(), [&](const UsbDevice& other) { return SameSerial(device, other); });
        });
    return devices;
}

} // namespace

std::string UsbDevice::ChildName(unsigned port) const
{
    if (IsRootHub())
        return std::to_string(bus) + "-" + std::to_string(port);
    return sysName + "." + std::to_string(port);
}

bool ParseDeviceName(const std::string& sysName, unsigned& bus, std::vector<unsigned>& ports)
{
    ports.clear();
    const std::string_view name = sysName;
    if (name.rfind("usb", 0) == 0) {
        auto number = NameNumber(name.substr(3));
        if (number)
            bus = *number;
        return number.has_value();
    }
    const auto dash = name.find('-');
    auto busNumber = dash == std::string_view::npos ? std::nullopt : NameNumber(name.substr(0, dash));
    if (!busNumber)
        return false;
    for (std::size_t start = dash + 1;;) {
        const std::size_t dot = std::min(name.find('.', start), name.size());
        auto port = NameNumber(name.substr(start, dot - start));
        if (!port || *port == 0) {
            ports.clear();
            return false;
        }
        ports.push_back(*port);
        if (dot == name.size())
            break;
        start = dot + 1;
    }
    bus = *busNumber;
    return true;
}

unsigned ReadSpeedMbps(const std::string& folder)
{
    return ReadDecimalAttribute(folder, "speed").value_or(0);
}

std::optional<UsbDevice> UsbDeviceAt(const std::string& sysName, const std::string& folder)
{
    UsbDevice device;
    if (!ParseDeviceName(sysName, device.bus, device.ports))
        return std::nullopt;
    device.sysName = sysName;
    device.folder = folder;
    return device;
}

std::optional<UsbDevice> ReadUsbDevice(const std::string& sysName, const std::string& folder)
{
    auto device = UsbDeviceAt(sysName, folder);
    if (!device)
        return std::nullopt;
    // The device descriptor as the kernel read it at enumeration: ids, release and class
    // in one read. A folder without one is no USB device (any more).
    const auto descriptor = ReadBinaryAttribute(folder, "descriptors").value_or(std::vector<std::uint8_t>{});
    if (descriptor.size() < kDeviceDescriptorBytes)
        return std::nullopt;
    auto word = [&](std::size_t at) { return static_cast<std::uint16_t>(descriptor[at] | (descriptor[at + 1] << 8)); };
    device->vendorId = word(8);
    device->productId = word(10);
    device->bcdDevice = word(12);
    device->deviceClass = descriptor[4];
    device->speedMbps = ReadSpeedMbps(folder);
    device->portCount = ReadDecimalAttribute(folder, "maxchild").value_or(0);
    device->serial = ReadAttribute(folder, "serial");
    return device;
}

const UsbDevice* UsbTree::Find(const std::string& sysName) const
{
    auto index = IndexOf(sysName);
    return index ? &devices[*index] : nullptr;
}

std::optional<std::size_t> UsbTree::IndexOf(const std::string& sysName) const
{
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].sysName == sysName)
            return i;
    return std::nullopt;
}

std::optional<std::size_t> UsbTree::ParentOf(std::size_t device) const
{
    const auto& d = devices[device];
    if (d.IsRootHub())
        return std::nullopt;
    if (d.ports.size() == 1)
        return IndexOf("usb" + std::to_string(d.bus));
    return IndexOf(d.sysName.substr(0, d.sysName.find_last_of('.')));
}

std::optional<UsbDevice> ListedUsbDevice(const std::string& sysName)
{
    PathResolver resolver;
    return ListedDevice(DevicesFolder(), sysName, resolver);
}

std::vector<UsbDevice> ReadUsbDevices()
{
    PathResolver resolver;
    return ReadUsbDevices(resolver);
}

bool SerialIsShared(const UsbDevice& device)
{
    return Sharing().Of(device, [&] {
        const std::string folder = DevicesFolder();
        PathResolver resolver;
        for (const auto& name : ListFolder(folder)) {
            if (name == device.sysName || !IsDeviceName(name))
                continue;
            auto other = ListedDevice(folder, name, resolver);
            if (other && SameSerial(device, *other))
                return true;
        }
        return false;
    });
}

UsbTree ReadUsbTree()
{
    PathResolver resolver;
    UsbTree tree;
    tree.devices = ReadUsbDevices(resolver);
    for (std::size_t i = 0; i < tree.devices.size(); ++i) {
        const auto& device = tree.devices[i];
        if (!device.IsRootHub())
            continue;
        std::string controllerFolder = device.folder.substr(0, device.folder.find_last_of('/'));
        auto found = std::find_if(tree.controllers.begin(), tree.controllers.end(),
                                  [&](const HostController& c) { return c.folder == controllerFolder; });
        if (found == tree.controllers.end()) {
            HostController controller;
            controller.folder = controllerFolder;
            controller.pciVendor = static_cast<std::uint16_t>(ReadHexAttribute(controllerFolder, "vendor").value_or(0));
            controller.pciDevice = static_cast<std::uint16_t>(ReadHexAttribute(controllerFolder, "device").value_or(0));
            tree.controllers.push_back(controller);
            found = tree.controllers.end() - 1;
        }
        found->rootHubs.push_back(i);
    }
    ReadDisks(tree, resolver);
    return tree;
}

} // namespace platform::usbsys
