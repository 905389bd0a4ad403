#include "platform/storage/volumes.h"

#include <cstdio>
#include <strings.h>
#include <sys/sysmacros.h>

namespace platform::storage {
namespace {

// A volume's name is derived from its device number, so it stays the same while the
// device exists.
std::string GuidNameOf(dev_t dev)
{
    char name[64];
    std::snprintf(name, sizeof name, "\\\\?\\Volume{%08x-0000-0000-0000-%012x}", major(dev), minor(dev));
    return name;
}

Volume MakeVolume(BlockDevice device, int diskNumber, std::string diskKernelName)
{
    std::string name = GuidNameOf(device.dev);
    return {std::move(device), diskNumber, std::move(diskKernelName), std::move(name)};
}

Volume OpticalVolume(BlockDevice drive)
{
    std::string kernelName = drive.kernelName;
    return MakeVolume(std::move(drive), -1, std::move(kernelName));
}

// A whole disk is a volume only while it holds no partition table.
bool IsVolume(const DeviceOnDisk& found)
{
    return found.device.partitionNumber != 0 || ListPartitions(found.disk.kernelName).empty();
}

std::optional<Volume> OpticalDriveOf(dev_t dev)
{
    for (BlockDevice& drive : ListOpticalDrives())
        if (drive.dev == dev)
            return OpticalVolume(std::move(drive));
    return std::nullopt;
}

} // namespace

std::vector<Volume> ListVolumes()
{
    std::vector<Volume> volumes;
    for (const NumberedDisk& entry : NumberedDisks()) {
        std::vector<BlockDevice> partitions = ListPartitions(entry.disk.kernelName);
        if (partitions.empty())
            partitions.push_back(entry.disk);
        for (BlockDevice& device : partitions)
            volumes.push_back(MakeVolume(std::move(device), entry.number, entry.disk.kernelName));
    }
    for (BlockDevice& drive : ListOpticalDrives())
        volumes.push_back(OpticalVolume(std::move(drive)));
    return volumes;
}

std::optional<Volume> VolumeOfDevice(dev_t dev, const std::string& node)
{
    if (auto found = FindDevice(dev, node)) {
        if (!IsVolume(*found))
            return std::nullopt;
        const int number = NumberOfDisk(found->disk);
        return MakeVolume(std::move(found->device), number, found->disk.kernelName);
    }
    return OpticalDriveOf(dev);
}

std::optional<BlockDevice> VolumeDeviceOf(dev_t dev, const std::string& node)
{
    if (auto found = FindDevice(dev, node))
        return IsVolume(*found) ? std::optional<BlockDevice>(std::move(found->device)) : std::nullopt;
    auto optical = OpticalDriveOf(dev);
    return optical ? std::optional<BlockDevice>(std::move(optical->device)) : std::nullopt;
}

std::optional<DeviceOnDisk> VolumeDeviceOfNode(const std::string& node)
{
    auto found = DeviceOfNode(node);
    if (!found || !IsVolume(*found))
        return std::nullopt;
    return found;
}

std::optional<BlockDevice> VolumeDeviceOfGuidName(const std::string& name)
{
    // The name carries the device number (GuidNameOf): that device alone is read.
    constexpr char kPrefix[] = "\\\\?\\Volume{";
    constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
    unsigned long long majorNumber = 0, minorNumber = 0;
    if (::strncasecmp(name.c_str(), kPrefix, kPrefixLength) != 0 ||
        std::sscanf(name.c_str() + kPrefixLength, "%8llx-0000-0000-0000-%12llx", &majorNumber, &minorNumber) != 2 ||
        majorNumber > 0xFFFFFFFFu || minorNumber > 0xFFFFFFFFu)
        return std::nullopt;
    const dev_t dev = makedev(static_cast<unsigned>(majorNumber), static_cast<unsigned>(minorNumber));
    // The whole name is compared: bytes after a NUL make it another name, not this one.
    const std::string own = GuidNameOf(dev);
    if (own.size() != name.size() || ::strncasecmp(own.c_str(), name.c_str(), own.size()) != 0)
        return std::nullopt;
    return VolumeDeviceOf(dev);
}

} // namespace platform::storage
