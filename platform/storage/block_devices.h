// Linux block devices as sysfs describes them: whole disks and their partitions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform::storage {

struct BlockDevice {
    std::string kernelName; // "sdb", "loop3", "sdb1"
    std::string node;       // "/dev/sdb1"
    dev_t dev = 0;
    std::uint64_t offsetBytes = 0; // start inside the whole disk (0 for a whole disk)
    std::uint64_t lengthBytes = 0;
    int partitionNumber = 0; // 0 for a whole disk
};

// Whole disks that can hold data: real disks with a device behind them and loop devices
// bound to a backing file, with or without a medium (an empty card reader's length is 0).
// Partitions, RAM disks, optical drives and device-mapper targets are not disks here.
std::vector<BlockDevice> ListDataDisks();
// Those of them that hold a medium now.
std::vector<BlockDevice> ListWholeDisks();

// Optical drives with a medium ("sr0"): volumes of their own, never physical drives.
std::vector<BlockDevice> ListOpticalDrives();

// The partitions of a whole disk, by partition number.
std::vector<BlockDevice> ListPartitions(const std::string& diskKernelName);

// A block device of the data disks (a whole disk or one of its partitions) and the whole
// disk that holds it (the device itself when it is a disk).
struct DeviceOnDisk {
    BlockDevice device;
    BlockDevice disk;
};

// Looks a device number up among the data disks. `node` ("/dev/sdb1"), when the caller
// knows it, is where to look first, then the node the number's entry in /sys/dev/block
// names: one device is read instead of every disk, and every disk is searched only when
// neither leads to that number.
std::optional<DeviceOnDisk> FindDevice(dev_t dev, const std::string& node = {});
// The data-disk device a node ("/dev/sdb1") names now, read from that device alone.
std::optional<DeviceOnDisk> DeviceOfNode(const std::string& node);

// The block device behind a device number (a whole disk or a partition).
std::optional<BlockDevice> BlockDeviceOf(dev_t dev, const std::string& node = {});

// The whole disk that holds a device (itself when it is one).
std::optional<BlockDevice> WholeDiskOf(dev_t dev, const std::string& node = {});

// How many real data disks (not loop devices), with or without a medium, have a device
// number below `limit`.
std::size_t CountRealDisksBelow(dev_t limit);

// Logical sector size from sysfs (512 when unknown).
std::uint32_t LogicalSectorBytes(const std::string& diskKernelName);

bool IsRemovable(const std::string& diskKernelName);

// Whether a disk hangs off a USB host controller (below a root hub "usbN" in sysfs).
bool IsUsbDisk(const std::string& diskKernelName);

// The loop index of "loopN", or -1.
int LoopIndex(const std::string& kernelName);

} // namespace platform::storage
