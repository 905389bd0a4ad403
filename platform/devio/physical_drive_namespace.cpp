// "\\.\PhysicalDrive%d": the whole disk with that number (platform/storage numbering).
// A disk opened for writing is opened exclusively, and refused while any of its volumes
// is mounted: raw writes under a mounted file system would corrupt it.
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/block_handle.h"
#include "platform/storage/disk_numbers.h"
#include "platform/storage/mounts.h"

#include <cerrno>
#include <fcntl.h>
#include <strings.h>

namespace platform {
namespace {

constexpr char kPrefix[] = "\\\\.\\PhysicalDrive";

bool ParseDiskNumber(const std::string& name, int& number)
{
    constexpr std::size_t prefixLength = sizeof kPrefix - 1;
    if (name.size() <= prefixLength || name.size() > prefixLength + 3 ||
        ::strncasecmp(name.c_str(), kPrefix, prefixLength) != 0)
        return false;
    number = 0;
    for (std::size_t i = prefixLength; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
        number = number * 10 + (name[i] - '0');
    }
    return true;
}

bool DiskHasMountedVolume(const storage::BlockDevice& disk)
{
    if (storage::DeviceIsMounted(disk.dev))
        return true;
    for (const storage::BlockDevice& partition : storage::ListPartitions(disk.kernelName))
        if (storage::DeviceIsMounted(partition.dev))
            return true;
    return false;
}

bool OpenPhysicalDrive(const std::string& name, DWORD access, DWORD, DWORD, int& fd, std::string& linuxPath)
{
    int number = -1;
    if (!ParseDiskNumber(name, number))
        return false;
    fd = -1;
    auto disk = storage::DiskByNumber(number);
    if (!disk) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return true;
    }
    linuxPath = disk->disk.node;
    bool write = (access & GENERIC_WRITE) != 0;
    if (write && DiskHasMountedVolume(disk->disk)) {
        DebugPrintf("%s (%s) has a mounted volume: not opened for writing", name.c_str(), linuxPath.c_str());
        SetLastError(ERROR_ACCESS_DENIED);
        return true;
    }
    fd = OpenDeviceNode(linuxPath, access, write ? O_EXCL : 0);
    if (fd == -1)
        DebugPrintf("%s (%s) cannot be opened: error %u", name.c_str(), linuxPath.c_str(), GetLastError());
    return true;
}

Registration registration{[] { RegisterDeviceNamespace(OpenPhysicalDrive); }};

} // namespace
} // namespace platform
