#include "platform/usbsys/usb_disks.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string_view>

namespace platform::usbsys {
namespace {

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

// The deepest of `devices` whose folder holds `folder`, met part by part along the path.
std::optional<std::size_t> OwnerOf(const std::vector<UsbDevice>& devices, const std::string& folder)
{
    std::optional<std::size_t> owner;
    for (std::size_t end = folder.find('/', 1); end != std::string::npos; end = folder.find('/', end + 1)) {
        const std::string_view ancestor(folder.data(), end);
        auto found = std::find_if(devices.begin(), devices.end(), [&](const UsbDevice& d) { return d.folder == ancestor; });
        if (found != devices.end())
            owner = static_cast<std::size_t>(found - devices.begin());
    }
    return owner;
}

bool IsDisk(const std::string& folder)
{
    return !HasEntry(folder, "partition") && HasEntry(folder, "dev"); // not a partition, nor a disk that has gone
}

// A disk known to be one, read from its resolved folder.
Disk ReadDiskAt(const std::string& name, const std::string& folder, const std::vector<UsbDevice>& devices)
{
    Disk disk;
    disk.kernelName = name;
    disk.folder = folder;
    disk.cdrom = name.rfind("sr", 0) == 0;
    disk.usbDevice = OwnerOf(devices, folder);
    std::string unitFolder;
    std::string walked;
    for (const auto& part : Components(folder)) {
        walked += "/" + part;
        if (disk.usbDevice && part.find(':') != std::string::npos && part.find('.') != std::string::npos &&
            part.rfind(devices[*disk.usbDevice].sysName + ":", 0) == 0)
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
    // A partition's name always begins with its disk's ("sdb1", "nvme0n1p1").
    std::map<unsigned, std::string> partitions;
    for (const auto& child : ListFolder(folder))
        if (child.rfind(name, 0) == 0)
            if (auto number = ReadDecimalAttribute(folder + "/" + child, "partition"))
                partitions[*number] = child;
    for (auto& [number, partition] : partitions)
        disk.partitions.push_back(partition);
    return disk;
}

} // namespace

std::optional<Disk> ReadDisk(const std::string& name, const std::string& folder, const std::vector<UsbDevice>& devices)
{
    if (!IsDisk(folder))
        return std::nullopt;
    return ReadDiskAt(name, folder, devices);
}

void ReadDisks(UsbTree& tree, PathResolver& resolver)
{
    const std::string root = SysfsRoot();
    std::string classFolder = root + "/class/block";
    auto names = ListFolder(classFolder);
    if (names.empty()) {
        classFolder = root + "/block";
        names = ListFolder(classFolder);
    }
    for (const auto& name : names) {
        // Told through the class entry's link, which the kernel follows: only disks are resolved.
        const std::string entry = classFolder + "/" + name;
        if (IsDisk(entry))
            tree.disks.push_back(ReadDiskAt(name, resolver.Resolve(entry), tree.devices));
    }
}

} // namespace platform::usbsys
