#include "platform/usbsys/usb_tree.h"

#include "platform/usbsys/sysfs.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <strings.h>

namespace platform::usbsys {
namespace {

unsigned SpeedOf(const std::string& folder)
{
    auto text = ReadAttribute(folder, "speed");
    if (!text)
        return 0;
    return static_cast<unsigned>(std::atof(text->c_str()));
}

// The order a walk of the tree meets devices in: by bus, then port by port, parents first.
bool TreeOrder(const UsbDevice& a, const UsbDevice& b)
{
    if (a.bus != b.bus)
        return a.bus < b.bus;
    return a.ports < b.ports;
}

bool IsUnitAddress(const std::string& name, unsigned& lun)
{
    unsigned host, channel, target;
    char tail;
    return std::sscanf(name.c_str(), "%u:%u:%u:%u%c", &host, &channel, &target, &lun, &tail) == 4;
}

std::vector<std::string> Components(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 1;
    while (start < path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

void ReadDisks(UsbTree& tree)
{
    const std::string root = SysfsRoot();
    std::string classFolder = root + "/class/block";
    auto names = ListFolder(classFolder);
    if (names.empty()) {
        classFolder = root + "/block";
        names = ListFolder(classFolder);
    }
    for (const auto& name : names)
        if (auto disk = ReadDisk(name, ResolvePath(classFolder + "/" + name), tree.devices))
            tree.disks.push_back(std::move(*disk));
}

// Instance ids do not tell letter case apart, so neither does this.
bool SameSerial(const UsbDevice& a, const UsbDevice& b)
{
    return a.sysName != b.sysName && a.vendorId == b.vendorId && a.productId == b.productId && a.serial && b.serial &&
           !a.serial->empty() && ::strcasecmp(a.serial->c_str(), b.serial->c_str()) == 0;
}

} // namespace

std::optional<Disk> ReadDisk(const std::string& name, const std::string& folder, const std::vector<UsbDevice>& devices)
{
    if (HasEntry(folder, "partition") || !HasEntry(folder, "dev"))
        return std::nullopt; // a partition, or a link left by a disk that has gone
    Disk disk;
    disk.kernelName = name;
    disk.folder = folder;
    disk.cdrom = name.rfind("sr", 0) == 0;
    // The deepest USB device whose folder holds the disk's folder owns it.
    std::size_t owner = 0;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const auto& device = devices[i];
        if (folder.rfind(device.folder + "/", 0) == 0 &&
            (!disk.usbDevice || device.folder.size() > devices[owner].folder.size())) {
            disk.usbDevice = i;
            owner = i;
        }
    }
    std::string unitFolder;
    std::string walked;
    for (const auto& part : Components(folder)) {
        walked += "/" + part;
        if (disk.usbDevice && part.find(':') != std::string::npos && part.find('.') != std::string::npos &&
            part.rfind(devices[owner].sysName + ":", 0) == 0)
            disk.uas = ReadAttribute(walked, "bInterfaceProtocol").value_or("") == "62";
        if (IsUnitAddress(part, disk.lun))
            unitFolder = walked;
    }
    if (!unitFolder.empty()) {
        disk.vendor = ReadAttribute(unitFolder, "vendor").value_or("");
        disk.model = ReadAttribute(unitFolder, "model").value_or("");
        disk.revision = ReadAttribute(unitFolder, "rev").value_or("");
        if (ReadAttribute(unitFolder, "type").value_or("") == "5")
            disk.cdrom = true;
    }
    std::map<unsigned, std::string> partitions;
    for (const auto& child : ListFolder(folder))
        if (auto number = ReadDecimalAttribute(folder + "/" + child, "partition"))
            partitions[*number] = child;
    for (auto& [number, partition] : partitions)
        disk.partitions.push_back(partition);
    return disk;
}

std::string UsbDevice::ChildName(unsigned port) const
{
    if (IsRootHub())
        return std::to_string(bus) + "-" + std::to_string(port);
    return sysName + "." + std::to_string(port);
}

bool ParseDeviceName(const std::string& sysName, unsigned& bus, std::vector<unsigned>& ports)
{
    ports.clear();
    if (sysName.rfind("usb", 0) == 0) {
        char tail;
        return std::sscanf(sysName.c_str() + 3, "%u%c", &bus, &tail) == 1;
    }
    if (sysName.find(':') != std::string::npos)
        return false;
    auto dash = sysName.find('-');
    if (dash == std::string::npos || std::sscanf(sysName.substr(0, dash).c_str(), "%u", &bus) != 1)
        return false;
    std::size_t start = dash + 1;
    while (start < sysName.size()) {
        std::size_t dot = sysName.find('.', start);
        if (dot == std::string::npos)
            dot = sysName.size();
        unsigned port = 0;
        if (std::sscanf(sysName.substr(start, dot - start).c_str(), "%u", &port) != 1 || port == 0)
            return false;
        ports.push_back(port);
        start = dot + 1;
    }
    return !ports.empty();
}

std::optional<UsbDevice> ReadUsbDevice(const std::string& sysName, const std::string& folder)
{
    UsbDevice device;
    if (!ParseDeviceName(sysName, device.bus, device.ports))
        return std::nullopt;
    auto vendor = ReadHexAttribute(folder, "idVendor");
    if (!vendor)
        return std::nullopt;
    device.sysName = sysName;
    device.folder = folder;
    device.vendorId = static_cast<std::uint16_t>(*vendor);
    device.productId = static_cast<std::uint16_t>(ReadHexAttribute(folder, "idProduct").value_or(0));
    device.bcdDevice = static_cast<std::uint16_t>(ReadHexAttribute(folder, "bcdDevice").value_or(0));
    device.deviceClass = static_cast<std::uint8_t>(ReadHexAttribute(folder, "bDeviceClass").value_or(0));
    device.speedMbps = SpeedOf(folder);
    device.portCount = ReadDecimalAttribute(folder, "maxchild").value_or(0);
    device.serial = ReadAttribute(folder, "serial");
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

std::vector<UsbDevice> ReadUsbDevices()
{
    std::vector<UsbDevice> devices;
    const std::string folder = SysfsRoot() + "/bus/usb/devices";
    for (const auto& name : ListFolder(folder))
        if (auto device = ReadUsbDevice(name, ResolvePath(folder + "/" + name)))
            devices.push_back(std::move(*device));
    std::sort(devices.begin(), devices.end(), TreeOrder);
    for (auto& device : devices)
        device.serialShared = std::any_of(devices.begin(), devices.end(),
                                          [&](const UsbDevice& other) { return SameSerial(device, other); });
    return devices;
}

bool SerialIsShared(const UsbDevice& device)
{
    const auto devices = ReadUsbDevices();
    return std::any_of(devices.begin(), devices.end(), [&](const UsbDevice& other) { return SameSerial(device, other); });
}

UsbTree ReadUsbTree()
{
    UsbTree tree;
    tree.devices = ReadUsbDevices();
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
    ReadDisks(tree);
    return tree;
}

} // namespace platform::usbsys
