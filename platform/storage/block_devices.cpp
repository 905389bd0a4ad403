#include "platform/storage/block_devices.h"

#include "platform/base/entry_memo.h"
#include "platform/usbsys/sysfs.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform::storage {
namespace {

const std::string kSysBlock = "/sys/block/";
const std::string kSysClassBlock = "/sys/class/block/"; // partitions as well as disks

std::optional<std::string> ReadLine(const std::string& path)
{
    auto text = usbsys::ReadWholeFile(path);
    if (!text || text->empty())
        return std::nullopt;
    return text->substr(0, text->find('\n'));
}

std::optional<std::uint64_t> ReadNumber(const std::string& path)
{
    auto line = ReadLine(path);
    if (!line)
        return std::nullopt;
    try {
        return std::stoull(*line);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<dev_t> ReadDevNumber(const std::string& sysPath)
{
    auto line = ReadLine(sysPath + "/dev");
    unsigned major = 0, minor = 0;
    if (!line || std::sscanf(line->c_str(), "%u:%u", &major, &minor) != 2)
        return std::nullopt;
    return makedev(major, minor);
}

bool Exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

bool IsDataDisk(const std::string& name)
{
    if (LoopIndex(name) >= 0)
        return Exists(kSysBlock + name + "/loop/backing_file");
    // Optical drives are not physical drives; mmc boot and rpmb areas are not data disks.
    if (StartsWith(name, "sr") || name.find("boot") != std::string::npos || name.find("rpmb") != std::string::npos)
        return false;
    return Exists(kSysBlock + name + "/device");
}

// Whether a disk hangs off a USB host controller: below a root hub's "usbN" folder.
bool HangsOffUsb(const std::string& name)
{
    char resolved[PATH_MAX];
    if (::realpath((kSysBlock + name).c_str(), resolved) == nullptr)
        return false;
    const std::string path = resolved;
    for (std::size_t at = path.find("/usb"); at != std::string::npos; at = path.find("/usb", at + 1)) {
        std::size_t end = at + 4;
        while (end < path.size() && std::isdigit(static_cast<unsigned char>(path[end])))
            ++end;
        if (end > at + 4 && end < path.size() && path[end] == '/')
            return true;
    }
    return false;
}

// What a /sys/block entry says of its disk for the entry's life: its device number,
// whether it is a data disk and whether it hangs off USB. A loop device's binding changes
// under one entry, so loop devices are not described this way.
struct DiskFacts {
    std::optional<dev_t> dev;
    bool dataDisk = false;
    bool usb = false;
};

EntryMemo<DiskFacts>& KnownDisks()
{
    static auto* known = new EntryMemo<DiskFacts>; // outlives every static destructor that may still ask
    return *known;
}

std::optional<DiskFacts> FactsOfDisk(const std::string& name)
{
    return KnownDisks().Get(kSysBlock + name, [&] {
        return std::optional<DiskFacts>(DiskFacts{ReadDevNumber(kSysBlock + name), IsDataDisk(name), HangsOffUsb(name)});
    });
}

// The size is read afresh every time: a medium can come and go under one entry.
std::optional<BlockDevice> DescribeDisk(const std::string& name, std::optional<dev_t> dev)
{
    auto sectors = ReadNumber(kSysBlock + name + "/size");
    if (!dev || !sectors)
        return std::nullopt;
    BlockDevice disk;
    disk.kernelName = name;
    disk.node = "/dev/" + name;
    disk.dev = *dev;
    disk.lengthBytes = *sectors * 512; // sysfs counts 512-byte units whatever the sector size
    return disk;
}

// A data disk with or without a medium (an empty one's length is 0).
std::optional<BlockDevice> DescribeDataDisk(const std::string& name)
{
    if (LoopIndex(name) >= 0)
        return IsDataDisk(name) ? DescribeDisk(name, ReadDevNumber(kSysBlock + name)) : std::nullopt;
    auto facts = FactsOfDisk(name);
    return facts && facts->dataDisk ? DescribeDisk(name, facts->dev) : std::nullopt;
}

std::optional<BlockDevice> DescribeDiskWithMedium(const std::string& name)
{
    auto disk = DescribeDataDisk(name);
    return disk && disk->lengthBytes > 0 ? disk : std::nullopt;
}

// What a block device's entry (a disk's or a partition's folder, or a link to it) says for
// the entry's life: its device number and, for a partition, its number, where it starts
// and the disk whose folder holds it. Its length can change under one entry (a partition
// can be resized), so it is read afresh.
struct EntryFacts {
    dev_t dev = 0;
    int partitionNumber = 0; // 0: a whole disk
    std::uint64_t startSectors = 0;
    std::string diskName;
};

EntryMemo<EntryFacts>& KnownEntries()
{
    static auto* known = new EntryMemo<EntryFacts>; // outlives every static destructor that may still ask
    return *known;
}

// The name of the folder that holds an entry's target: a partition's lies in its disk's
// (".../block/sdb/sdb1").
std::string HoldingFolderName(const std::string& path)
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    const std::string where = length > 0 ? std::string(target, static_cast<std::size_t>(length)) : path;
    const std::size_t last = where.find_last_of('/');
    const std::size_t before = last == std::string::npos || last == 0 ? std::string::npos : where.find_last_of('/', last - 1);
    return before == std::string::npos ? std::string() : where.substr(before + 1, last - before - 1);
}

std::optional<EntryFacts> FactsOfEntry(const std::string& path)
{
    return KnownEntries().Get(path, [&]() -> std::optional<EntryFacts> {
        auto dev = ReadDevNumber(path);
        if (!dev)
            return std::nullopt;
        EntryFacts facts;
        facts.dev = *dev;
        auto number = ReadNumber(path + "/partition");
        if (!number)
            return facts;
        auto start = ReadNumber(path + "/start");
        if (!start)
            return std::nullopt;
        facts.partitionNumber = static_cast<int>(*number);
        facts.startSectors = *start;
        facts.diskName = HoldingFolderName(path);
        return facts;
    });
}

// The partition at `path` ("/sys/block/sdb/sdb1", or its class entry) with its length now.
std::optional<BlockDevice> DescribePartition(const std::string& path, const std::string& name)
{
    auto facts = FactsOfEntry(path);
    if (!facts || facts->partitionNumber == 0)
        return std::nullopt;
    auto sectors = ReadNumber(path + "/size");
    if (!sectors)
        return std::nullopt;
    BlockDevice partition;
    partition.kernelName = name;
    partition.node = "/dev/" + name;
    partition.dev = facts->dev;
    partition.offsetBytes = facts->startSectors * 512;
    partition.lengthBytes = *sectors * 512;
    partition.partitionNumber = facts->partitionNumber;
    return partition;
}

} // namespace

int LoopIndex(const std::string& kernelName)
{
    if (!StartsWith(kernelName, "loop") || kernelName.size() == 4)
        return -1;
    int index = 0;
    for (std::size_t i = 4; i < kernelName.size(); ++i) {
        if (kernelName[i] < '0' || kernelName[i] > '9')
            return -1;
        index = index * 10 + (kernelName[i] - '0');
    }
    return index;
}

std::vector<BlockDevice> ListDataDisks()
{
    std::vector<BlockDevice> disks;
    for (const std::string& name : usbsys::ListFolder(kSysBlock))
        if (auto disk = DescribeDataDisk(name))
            disks.push_back(*disk);
    return disks;
}

std::vector<BlockDevice> ListWholeDisks()
{
    std::vector<BlockDevice> disks = ListDataDisks();
    std::erase_if(disks, [](const BlockDevice& disk) { return disk.lengthBytes == 0; });
    return disks;
}

std::vector<BlockDevice> ListOpticalDrives()
{
    std::vector<BlockDevice> drives;
    for (const std::string& name : usbsys::ListFolder(kSysBlock)) {
        if (!StartsWith(name, "sr") || !Exists(kSysBlock + name + "/device"))
            continue;
        if (auto drive = DescribeDisk(name, ReadDevNumber(kSysBlock + name)); drive && drive->lengthBytes > 0)
            drives.push_back(*drive);
    }
    return drives;
}

std::vector<BlockDevice> ListPartitions(const std::string& diskKernelName)
{
    std::vector<BlockDevice> partitions;
    std::string diskPath = kSysBlock + diskKernelName + "/";
    // A partition's name always begins with its disk's ("sdb1", "nvme0n1p1"); the folder's
    // other entries are its attributes.
    for (const std::string& name : usbsys::ListFolder(diskPath))
        if (StartsWith(name, diskKernelName.c_str()))
            if (auto partition = DescribePartition(diskPath + name, name))
                partitions.push_back(*partition);
    std::sort(partitions.begin(), partitions.end(),
              [](const BlockDevice& a, const BlockDevice& b) { return a.partitionNumber < b.partitionNumber; });
    return partitions;
}

namespace {

// The device a node's name leads to now ("/dev/sdb1" -> sdb1), read from that device
// alone; nothing when it is no data-disk device or not the expected one.
std::optional<DeviceOnDisk> LookUpNode(const std::string& node, std::optional<dev_t> expected)
{
    if (!StartsWith(node, "/dev/"))
        return std::nullopt;
    const std::string name = node.substr(5);
    const std::string folder = kSysClassBlock + name;
    if (name.empty() || name.find('/') != std::string::npos)
        return std::nullopt;
    auto facts = FactsOfEntry(folder);
    if (!facts || (expected && facts->dev != *expected))
        return std::nullopt;
    if (facts->partitionNumber == 0) {
        auto disk = DescribeDiskWithMedium(name);
        if (!disk || disk->dev != facts->dev)
            return std::nullopt;
        return DeviceOnDisk{*disk, *disk};
    }
    auto disk = DescribeDiskWithMedium(facts->diskName);
    auto partition = DescribePartition(folder, name);
    if (!disk || !partition)
        return std::nullopt;
    return DeviceOnDisk{*partition, *disk};
}

} // namespace

std::optional<DeviceOnDisk> DeviceOfNode(const std::string& node)
{
    return LookUpNode(node, std::nullopt);
}

// The node the kernel names a device number's device by ("/dev/sdb1"), from its entry in
// /sys/dev/block; empty when there is none.
std::string NodeOfNumber(dev_t dev)
{
    const std::string entry = "/sys/dev/block/" + std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
    char target[PATH_MAX];
    const ssize_t length = ::readlink(entry.c_str(), target, sizeof target - 1);
    if (length <= 0)
        return {};
    const std::string path(target, static_cast<std::size_t>(length));
    return "/dev/" + path.substr(path.find_last_of('/') + 1);
}

std::optional<DeviceOnDisk> FindDevice(dev_t dev, const std::string& node)
{
    if (auto found = LookUpNode(node, dev))
        return found;
    if (auto found = LookUpNode(NodeOfNumber(dev), dev))
        return found;
    for (const BlockDevice& disk : ListWholeDisks()) {
        if (disk.dev == dev)
            return DeviceOnDisk{disk, disk};
        for (const BlockDevice& partition : ListPartitions(disk.kernelName))
            if (partition.dev == dev)
                return DeviceOnDisk{partition, disk};
    }
    return std::nullopt;
}

std::optional<BlockDevice> BlockDeviceOf(dev_t dev, const std::string& node)
{
    auto found = FindDevice(dev, node);
    return found ? std::optional<BlockDevice>(found->device) : std::nullopt;
}

std::optional<BlockDevice> WholeDiskOf(dev_t dev, const std::string& node)
{
    auto found = FindDevice(dev, node);
    return found ? std::optional<BlockDevice>(found->disk) : std::nullopt;
}

std::size_t CountRealDisksBelow(dev_t limit)
{
    std::size_t count = 0;
    for (const std::string& name : usbsys::ListFolder(kSysBlock)) {
        if (LoopIndex(name) >= 0)
            continue;
        auto facts = FactsOfDisk(name);
        if (facts && facts->dataDisk && facts->dev && *facts->dev < limit)
            ++count;
    }
    return count;
}

std::uint32_t LogicalSectorBytes(const std::string& diskKernelName)
{
    auto bytes = ReadNumber(kSysBlock + diskKernelName + "/queue/logical_block_size");
    return bytes && *bytes > 0 ? static_cast<std::uint32_t>(*bytes) : 512;
}

bool IsUsbDisk(const std::string& diskKernelName)
{
    if (LoopIndex(diskKernelName) >= 0)
        return HangsOffUsb(diskKernelName);
    auto facts = FactsOfDisk(diskKernelName);
    return facts && facts->usb;
}

bool IsRemovable(const std::string& diskKernelName)
{
    auto removable = ReadNumber(kSysBlock + diskKernelName + "/removable");
    return removable && *removable != 0;
}

} // namespace platform::storage
