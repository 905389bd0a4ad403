// Volumes: every partition of a disk, or the whole disk when it has no partitions (a
// removable medium without a partition table is one volume, as a superfloppy is), and
// each optical drive with a medium, which lies on no physical drive.
#pragma once

#include "platform/storage/disk_numbers.h"

#include <optional>
#include <string>

namespace platform::storage {

struct Volume {
    BlockDevice device;     // the partition, or the whole disk
    int diskNumber = -1;    // the physical drive it lies on; -1 for an optical drive
    std::string diskKernelName;
    std::string guidName;   // "\\?\Volume{...}" without the trailing backslash
};

// All volumes in physical-drive order, partitions in partition-number order, then the
// optical drives.
std::vector<Volume> ListVolumes();
// `node` as for FindDevice.
std::optional<Volume> VolumeOfDevice(dev_t dev, const std::string& node = {});
// The partition, disk or optical drive of VolumeOfDevice without its disk's number, which
// takes every disk to count.
std::optional<BlockDevice> VolumeDeviceOf(dev_t dev, const std::string& node = {});
// The volume a node ("/dev/sdb1") names now, with its disk; read from that device alone,
// without its disk's number.
std::optional<DeviceOnDisk> VolumeDeviceOfNode(const std::string& node);
// The partition, disk or optical drive that a volume name ("\\?\Volume{...}", in any case)
// names now, read from that device alone.
std::optional<BlockDevice> VolumeDeviceOfGuidName(const std::string& name);

} // namespace platform::storage
