// Disk control codes on block devices: geometry and length from BLKGETSIZE64/BLKSSZGET
// (the CHS figures are the usual 255 heads of 63 sectors that Windows reports for such
// disks), and the property refresh as a re-read of the partition table (BLKRRPART).
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/block_handle.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/block_devices.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr DWORD kHeads = 255;
constexpr DWORD kSectorsPerTrack = 63;

struct DeviceSize {
    std::uint64_t bytes = 0;
    std::uint32_t sectorBytes = 0;
};

bool ReadDeviceSize(const FileObject& device, DeviceSize& size)
{
    if (!BlockDeviceOfHandle(device))
        return false;
    IoctlDescriptor descriptor(device);
    if (descriptor.fd() < 0)
        return false;
    int sectorBytes = 0;
    if (::ioctl(descriptor.fd(), BLKGETSIZE64, &size.bytes) != 0 || ::ioctl(descriptor.fd(), BLKSSZGET, &sectorBytes) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    size.sectorBytes = static_cast<std::uint32_t>(sectorBytes);
    return true;
}

DISK_GEOMETRY GeometryOf(const FileObject& device, const DeviceSize& size)
{
    DISK_GEOMETRY geometry{};
    geometry.Cylinders.QuadPart = static_cast<LONGLONG>(size.bytes / (std::uint64_t{kHeads} * kSectorsPerTrack * size.sectorBytes));
    auto disk = storage::WholeDiskOf(*BlockDeviceOfHandle(device), device.linuxPath());
    geometry.MediaType = disk && storage::IsRemovable(disk->kernelName) ? RemovableMedia : FixedMedia;
    geometry.TracksPerCylinder = kHeads;
    geometry.SectorsPerTrack = kSectorsPerTrack;
    geometry.BytesPerSector = size.sectorBytes;
    return geometry;
}

BOOL GetGeometry(FileObject& device, DWORD code, LPVOID, DWORD, LPVOID out, DWORD outSize, LPDWORD returned)
{
    DeviceSize size;
    if (!ReadDeviceSize(device, size))
        return FALSE;
    DISK_GEOMETRY_EX geometry{};
    geometry.Geometry = GeometryOf(device, size);
    geometry.DiskSize.QuadPart = static_cast<LONGLONG>(size.bytes);
    if (code == IOCTL_DISK_GET_DRIVE_GEOMETRY)
        return CopyRecordOut(&geometry.Geometry, sizeof geometry.Geometry, out, outSize, returned);
    return CopyRecordOut(&geometry, kGeometryExBytes, out, outSize, returned);
}

BOOL GetLength(FileObject& device, DWORD, LPVOID, DWORD, LPVOID out, DWORD outSize, LPDWORD returned)
{
    DeviceSize size;
    if (!ReadDeviceSize(device, size))
        return FALSE;
    GET_LENGTH_INFORMATION length{};
    length.Length.QuadPart = static_cast<LONGLONG>(size.bytes);
    return CopyRecordOut(&length, sizeof length, out, outSize, returned);
}

// The kernel re-reads a partition table only while none of the disk's partitions is
// open (callers refresh after closing their volume handles) and nobody else holds the
// disk exclusively: a handle of the whole disk uses its own descriptor, which may hold it.
BOOL UpdateProperties(FileObject& device, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD)
{
    auto dev = BlockDeviceOfHandle(device);
    if (!dev)
        return FALSE;
    auto disk = storage::WholeDiskOf(*dev, device.linuxPath());
    if (!disk) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    bool wholeDisk = disk->dev == *dev;
    IoctlDescriptor own(device);
    int fd = wholeDisk ? own.fd() : ::open(disk->node.c_str(), O_RDONLY | O_CLOEXEC);
    bool reread = fd >= 0 && ::ioctl(fd, BLKRRPART) == 0;
    int error = errno;
    if (!wholeDisk && fd >= 0)
        ::close(fd);
    if (!reread) {
        DebugPrintf("partition table of %s not re-read: %s", disk->node.c_str(), std::strerror(error));
        SetLastError(ErrorFromErrno(error));
        return FALSE;
    }
    return TRUE;
}

Registration registration{[] {
    RegisterIoctlHandler(IOCTL_DISK_GET_DRIVE_GEOMETRY, GetGeometry);
    RegisterIoctlHandler(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, GetGeometry);
    RegisterIoctlHandler(IOCTL_DISK_GET_LENGTH_INFO, GetLength);
    RegisterIoctlHandler(IOCTL_DISK_UPDATE_PROPERTIES, UpdateProperties);
}};

} // namespace
} // namespace platform
