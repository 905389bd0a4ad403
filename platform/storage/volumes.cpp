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

} // namespace

std::vector<Volume> ListVolumes()
{
    std::vector<Volume> volumes;
    for (const NumberedDisk& entry : NumberedDisks()) {
        std::vector<BlockDevice> partitions = ListPartitions(entry.disk.kernelName);
        if (partitions.empty())
            partitions.push_back(entry.disk);
        for (BlockDevice& device : partitions) {
            std::string name = GuidNameOf(device.dev);
            volumes.push_back({std::move(device), entry.number, entry.disk.kernelName, std::move(name)});
        }
    }
    for (BlockDevice& drive : ListOpticalDrives()) {
        std::string name = GuidNameOf(drive.dev);
        std::string kernelName = drive.kernelName;
        volumes.push_back({std::move(drive), -1, std::move(kernelName), std::move(name)});
    }
    return volumes;
}

std::optional<Volume> VolumeOfDevice(dev_t dev)
{
    for (Volume& volume : ListVolumes())
        if (volume.device.dev == dev)
            return volume;
    return std::nullopt;
}

std::optional<Volume> VolumeOfGuidName(const std::string& name)
{
    for (Volume& volume : ListVolumes())
        if (::strcasecmp(volume.guidName.c_str(), name.c_str()) == 0)
            return volume;
    return std::nullopt;
}

} // namespace platform::storage
