// Mounted file systems from /proc/self/mountinfo, matched to block devices by device
// number or, for FUSE mounts (whose device number is anonymous), by their source node.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace platform::storage {

struct Mount {
    std::string mountPoint;
    std::string root; // the part of the file system seen at the mount point
    std::string fsType;
    std::string source;
};

// Every mount of the file system on a block device.
std::vector<Mount> MountsOfDevice(dev_t dev);

bool DeviceIsMounted(dev_t dev);

// Where the whole file system of a device is reachable (a mount of its root), or "".
std::string MountPointOfDevice(dev_t dev);

} // namespace platform::storage
