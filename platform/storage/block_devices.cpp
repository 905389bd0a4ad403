#include "platform/storage/block_devices.h"

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
    for (const std::string& name : ListDirectory(kSysBlock)) {
        if (!IsDataDisk(name))
            continue;
        if (auto disk = DescribeDisk(name); disk && disk->lengthBytes > 0)
            disks.push_back(*disk);
    }
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
    for (const std::string& name : ListDirectory(diskPath)) {
        std::string path = diskPath + name;
        auto number = ReadNumber(path + "/partition");
        auto start = ReadNumber(path + "/start");
        auto sectors = ReadNumber(path + "/size");
        auto dev = ReadDevNumber(path);
        if (!number || !start || !sectors || !dev)
            continue;
        BlockDevice partition;
        partition.kernelName = name;
        partition.node = "/dev/" + name;
        partition.dev = *dev;
        partition.offsetBytes = *start * 512;
        partition.lengthBytes = *sectors * 512;
        partition.partitionNumber = static_cast<int>(*number);
        partitions.push_back(partition);
    }
    std::sort(partitions.begin(), partitions.end(),
              [](const BlockDevice& a, const BlockDevice& b) { return a.partitionNumber < b.partitionNumber; });
    return partitions;
}

namespace {

// The device with that number and the whole disk that holds it.
std::optional<std::pair<BlockDevice, BlockDevice>> FindDevice(dev_t dev)
{
    for (const BlockDevice& disk : ListWholeDisks()) {
        if (disk.dev == dev)
            return std::make_pair(disk, disk);
        for (const BlockDevice& partition : ListPartitions(disk.kernelName))
            if (partition.dev == dev)
                return std::make_pair(partition, disk);
    }
    return std::nullopt;
}

} // namespace

std::optional<BlockDevice> BlockDeviceOf(dev_t dev)
{
    auto found = FindDevice(dev);
    return found ? std::optional<BlockDevice>(found->first) : std::nullopt;
}

std::optional<BlockDevice> WholeDiskOf(dev_t dev)
{
    auto found = FindDevice(dev);
    return found ? std::optional<BlockDevice>(found->second) : std::nullopt;
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
