#include "platform/usbsys/usb_disks.h"

#include "platform/base/entry_memo.h"

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

// What an entry of the block listing stands for while it exists: where it leads and, for a
// disk, what its SCSI unit and USB interface reported when it came. Its partitions come
// and go under one entry, so they are not kept.
struct BlockEntry {
    bool partition = false;
    std::string folder;
    unsigned lun = 0;
    bool cdromUnit = false;
    std::string vendor, model, revision;
    std::string interfaceDevice; // the USB device whose interface the disk hangs off
    bool uas = false;            // that interface speaks USB Attached SCSI
};

EntryMemo<BlockEntry>& KnownEntries()
{
    static auto* known = new EntryMemo<BlockEntry>; // outlives every static destructor that may still ask
    return *known;
}

// Told through the entry's link, which the kernel follows: only disks are resolved and read.
std::optional<BlockEntry> ReadEntry(const std::string& entry, PathResolver& resolver)
{
    BlockEntry known;
    if (HasEntry(entry, "partition")) {
        known.partition = true;
        known.folder = resolver.Resolve(entry);
        return known;
    }
    if (!HasEntry(entry, "dev"))
        return std::nullopt; // no block device, or a disk that has gone
    known.folder = resolver.Resolve(entry);
    std::string walked, unitFolder, lastDevice;
    for (const auto& part : Components(known.folder)) {
        walked += "/" + part;
        unsigned bus;
        std::vector<unsigned> ports;
        if (ParseDeviceName(part, bus, ports)) {
            lastDevice = part;
        } else if (!lastDevice.empty() && part.find('.') != std::string::npos && part.rfind(lastDevice + ":", 0) == 0) {
            known.interfaceDevice = lastDevice;
            known.uas = ReadAttribute(walked, "bInterfaceProtocol").value_or("") == "62";
        }
        if (IsUnitAddress(part, known.lun))
            unitFolder = walked;
    }
    if (!unitFolder.empty()) {
        known.vendor = ReadAttribute(unitFolder, "vendor").value_or("");
        known.model = ReadAttribute(unitFolder, "model").value_or("");
        known.revision = ReadAttribute(unitFolder, "rev").value_or("");
        known.cdromUnit = ReadAttribute(unitFolder, "type").value_or("") == "5";
    }
    return known;
}

// The block listing: the class's, which holds partitions as well as disks, or the older
// /sys/block.
std::vector<std::string> ListingFolders()
{
    const std::string root = SysfsRoot();
    return {root + "/class/block", root + "/block"};
}

// The entry of a block device by its name, from the first listing that has it.
std::optional<BlockEntry> KnownEntry(const std::string& name, PathResolver& resolver)
{
    for (const std::string& folder : ListingFolders()) {
        const std::string entry = folder + "/" + name;
        if (auto known = KnownEntries().Get(entry, [&] { return ReadEntry(entry, resolver); }))
            return known;
    }
    return std::nullopt;
}

// A partition's number, fixed for its entry's life.
EntryMemo<unsigned>& KnownPartitions()
{
    static auto* known = new EntryMemo<unsigned>; // outlives every static destructor that may still ask
    return *known;
}

// A partition's name always begins with its disk's ("sdb1", "nvme0n1p1").
std::vector<std::string> PartitionsIn(const std::string& name, const std::string& folder)
{
    std::map<unsigned, std::string> partitions;
    for (const auto& child : ListFolder(folder)) {
        if (child.rfind(name, 0) != 0)
            continue;
        const std::string path = folder + "/" + child;
        if (auto number = KnownPartitions().Get(path, [&] { return ReadDecimalAttribute(path, "partition"); }))
            partitions[*number] = child;
    }
    std::vector<std::string> names;
    for (auto& [number, partition] : partitions)
        names.push_back(partition);
    return names;
}

Disk DiskOf(const std::string& name, const BlockEntry& known, const std::vector<UsbDevice>& devices)
{
    Disk disk;
    disk.kernelName = name;
    disk.folder = known.folder;
    disk.cdrom = name.rfind("sr", 0) == 0 || known.cdromUnit;
    disk.usbDevice = OwnerOf(devices, known.folder);
    disk.uas = disk.usbDevice && devices[*disk.usbDevice].sysName == known.interfaceDevice && known.uas;
    disk.lun = known.lun;
    disk.vendor = known.vendor;
    disk.model = known.model;
    disk.revision = known.revision;
    disk.partitions = PartitionsIn(name, known.folder);
    return disk;
}

} // namespace

std::optional<DiskPlace> DiskPlaceOf(const std::string& blockName)
{
    if (blockName.empty() || blockName.find('/') != std::string::npos)
        return std::nullopt;
    PathResolver resolver;
    auto known = KnownEntry(blockName, resolver);
    if (!known)
        return std::nullopt;
    if (!known->partition)
        return DiskPlace{blockName, known->folder};
    // A partition's folder lies in its disk's.
    const std::string folder = known->folder.substr(0, known->folder.find_last_of('/'));
    return DiskPlace{folder.substr(folder.find_last_of('/') + 1), folder};
}

std::optional<Disk> ReadDisk(const std::string& kernelName, const std::vector<UsbDevice>& devices)
{
    PathResolver resolver;
    auto known = KnownEntry(kernelName, resolver);
    if (!known || known->partition)
        return std::nullopt;
    return DiskOf(kernelName, *known, devices);
}

void ReadDisks(UsbTree& tree, PathResolver& resolver)
{
    for (const std::string& folder : ListingFolders()) {
        const auto names = ListFolder(folder);
        if (names.empty())
            continue;
        for (const auto& name : names) {
            const std::string entry = folder + "/" + name;
            auto known = KnownEntries().Get(entry, [&] { return ReadEntry(entry, resolver); });
            if (known && !known->partition)
                tree.disks.push_back(DiskOf(name, *known, tree.devices));
        }
        return;
    }
}

} // namespace platform::usbsys
