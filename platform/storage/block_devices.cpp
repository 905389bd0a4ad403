#include "platform/storage/block_devices.h"

#include "platform/base/entry_memo.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform::storage {
namespace {

const std::string kSysBlock = "/sys/block/";
const std::string kSysClassBlock = "/sys/class/block/"; // partitions as well as disks

std::optional<std::string> ReadLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line))
        return std::nullopt;
    return line;
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

std::vector<std::string> ListDirectory(const std::string& path)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr)
        return names;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<BlockDevice> DescribeDisk(const std::string& name)
{
    auto dev = ReadDevNumber(kSysBlock + name);
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

std::optional<BlockDevice> DescribeDataDisk(const std::string& name)
{
    if (!IsDataDisk(name))
        return std::nullopt;
    auto disk = DescribeDisk(name);
    if (!disk || disk->lengthBytes == 0)
        return std::nullopt;
    return disk;
}

// A disk's folder holds its partitions beside other folders; those stop at the first read.
std::optional<BlockDevice> DescribePartition(const std::string& diskPath, const std::string& name)
{
    const std::string path = diskPath + name;
    auto number = ReadNumber(path + "/partition");
    if (!number)
        return std::nullopt;
    auto start = ReadNumber(path + "/start");
    auto sectors = ReadNumber(path + "/size");
    auto dev = ReadDevNumber(path);
    if (!start || !sectors || !dev)
        return std::nullopt;
    BlockDevice partition;
    partition.kernelName = name;
    partition.node = "/dev/" + name;
    partition.dev = *dev;
    partition.offsetBytes = *start * 512;
    partition.lengthBytes = *sectors * 512;
    partition.partitionNumber = static_cast<int>(*number);
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

std::vector<BlockDevice> ListWholeDisks()
{
    std::vector<BlockDevice> disks;
    for (const std::string& name : ListDirectory(kSysBlock))
        if (auto disk = DescribeDataDisk(name))
            disks.push_back(*disk);
    return disks;
}

std::vector<BlockDevice> ListOpticalDrives()
{
    std::vector<BlockDevice> drives;
    for (const std::string& name : ListDirectory(kSysBlock)) {
        if (!StartsWith(name, "sr") || !Exists(kSysBlock + name + "/device"))
            continue;
        if (auto drive = DescribeDisk(name); drive && drive->lengthBytes > 0)
            drives.push_back(*drive);
    }
    return drives;
}

std::vector<BlockDevice> ListPartitions(const std::string& diskKernelName)
{
    std::vector<BlockDevice> partitions;
    std::string diskPath = kSysBlock + diskKernelName + "/";
    for (const std::string& name : ListDirectory(diskPath))
        if (auto partition = DescribePartition(diskPath, name))
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
    auto read = ReadDevNumber(folder);
    if (!read || (expected && *read != *expected))
        return std::nullopt;
    const dev_t dev = *read;
    if (!Exists(folder + "/partition")) {
        auto disk = DescribeDataDisk(name);
        if (!disk || disk->dev != dev)
            return std::nullopt;
        return DeviceOnDisk{*disk, *disk};
    }
    // A partition's folder lies in its disk's: ".../block/sdb/sdb1".
    char target[PATH_MAX];
    const ssize_t length = ::readlink(folder.c_str(), target, sizeof target - 1);
    if (length <= 0)
        return std::nullopt;
    const std::string link(target, static_cast<std::size_t>(length));
    const std::size_t last = link.find_last_of('/');
    const std::size_t before = last == std::string::npos || last == 0 ? std::string::npos : link.find_last_of('/', last - 1);
    if (before == std::string::npos || link.substr(last + 1) != name)
        return std::nullopt;
    auto disk = DescribeDataDisk(link.substr(before + 1, last - before - 1));
    auto partition = DescribePartition(kSysClassBlock, name);
    if (!disk || !partition || partition->dev != dev)
        return std::nullopt;
    return DeviceOnDisk{*partition, *disk};
}

} // namespace

std::optional<DeviceOnDisk> DeviceOfNode(const std::string& node)
{
    return LookUpNode(node, std::nullopt);
}

std::optional<DeviceOnDisk> FindDevice(dev_t dev, const std::string& node)
{
    if (auto found = LookUpNode(node, dev))
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

namespace {

// What a /sys/block entry says of its disk for the entry's life: its device number and
// whether it is a data disk. A loop device's binding changes under one entry, so loop
// devices are not described this way.
struct DiskFacts {
    std::optional<dev_t> dev;
    bool dataDisk = false;
};

EntryMemo<DiskFacts>& KnownDisks()
{
    static auto* known = new EntryMemo<DiskFacts>; // outlives every static destructor that may still ask
    return *known;
}

} // namespace

std::size_t CountRealDisksBelow(dev_t limit)
{
    std::size_t count = 0;
    for (const std::string& name : ListDirectory(kSysBlock)) {
        if (LoopIndex(name) >= 0)
            continue;
        auto facts = KnownDisks().Get(kSysBlock + name, [&] {
            return std::optional<DiskFacts>(DiskFacts{ReadDevNumber(kSysBlock + name), IsDataDisk(name)});
        });
        if (!facts || !facts->dataDisk || !facts->dev || *facts->dev >= limit)
            continue;
        // Whether it holds a medium can change at any time: read afresh.
        if (ReadNumber(kSysBlock + name + "/size").value_or(0) > 0)
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
    char resolved[PATH_MAX];
    if (::realpath((kSysBlock + diskKernelName).c_str(), resolved) == nullptr)
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

bool IsRemovable(const std::string& diskKernelName)
{
    auto removable = ReadNumber(kSysBlock + diskKernelName + "/removable");
    return removable && *removable != 0;
}

} // namespace platform::storage
