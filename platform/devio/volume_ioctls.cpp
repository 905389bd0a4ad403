// Volume control codes. A volume's single extent comes from sysfs (partition start and
// size, or the whole disk). Locking a volume takes an exclusive advisory lock on it and is
// refused while the volume is mounted; dismounting unmounts it where the system lets us
// and fails otherwise.
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/block_handle.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/mounts.h"
#include "platform/storage/volumes.h"

#include <cerrno>
#include <cstring>
#include <sys/file.h>
#include <sys/mount.h>

namespace platform {
namespace {

// What `lookup` finds of the volume a handle opened; nothing (last error set) when the
// handle is no volume's or its volume is gone.
template <class Lookup>
auto LookUpVolume(const FileObject& handle, Lookup lookup) -> decltype(lookup(dev_t{}, handle.linuxPath()))
{
    if (!IsVolumeHandle(handle)) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return std::nullopt;
    }
    auto dev = BlockDeviceOfHandle(handle);
    if (!dev)
        return std::nullopt;
    auto found = lookup(*dev, handle.linuxPath());
    if (!found)
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return found;
}

std::optional<storage::Volume> VolumeOfHandle(const FileObject& handle)
{
    return LookUpVolume(handle, [](dev_t dev, const std::string& node) { return storage::VolumeOfDevice(dev, node); });
}

// The volume's device alone: locking and dismounting need no disk number, which would
// take every disk of the machine to count.
std::optional<storage::BlockDevice> VolumeDeviceOfHandle(const FileObject& handle)
{
    return LookUpVolume(handle, [](dev_t dev, const std::string& node) { return storage::VolumeDeviceOf(dev, node); });
}

BOOL GetDiskExtents(FileObject& handle, DWORD, LPVOID, DWORD, LPVOID out, DWORD outSize, LPDWORD returned)
{
    auto volume = VolumeOfHandle(handle);
    if (!volume)
        return FALSE;
    if (volume->diskNumber < 0) {
        SetLastError(ERROR_INVALID_FUNCTION); // an optical drive's volume lies on no disk
        return FALSE;
    }
    VOLUME_DISK_EXTENTS extents{};
    extents.NumberOfDiskExtents = 1;
    extents.Extents[0].DiskNumber = static_cast<DWORD>(volume->diskNumber);
    extents.Extents[0].StartingOffset.QuadPart = static_cast<LONGLONG>(volume->device.offsetBytes);
    extents.Extents[0].ExtentLength.QuadPart = static_cast<LONGLONG>(volume->device.lengthBytes);
    return CopyRecordOut(&extents, sizeof extents, out, outSize, returned);
}

BOOL LockVolume(FileObject& handle, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD)
{
    auto volume = VolumeDeviceOfHandle(handle);
    if (!volume)
        return FALSE;
    if (storage::DeviceIsMounted(volume->dev)) {
        DebugPrintf("%s (%s) is mounted: not locked", handle.windowsName().c_str(), volume->node.c_str());
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::flock(handle.fd(), LOCK_EX | LOCK_NB) != 0) {
        SetLastError(errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL UnlockVolume(FileObject& handle, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD)
{
    if (!VolumeDeviceOfHandle(handle))
        return FALSE;
    if (::flock(handle.fd(), LOCK_UN) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL DismountVolume(FileObject& handle, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD)
{
    auto volume = VolumeDeviceOfHandle(handle);
    if (!volume)
        return FALSE;
    for (const storage::Mount& mount : storage::MountsOfDevice(volume->dev)) {
        if (::umount2(mount.mountPoint.c_str(), 0) != 0) {
            DWORD error = ErrorFromErrno(errno);
            DebugPrintf("%s: %s not unmounted: %s", handle.windowsName().c_str(), mount.mountPoint.c_str(),
                        std::strerror(errno));
            SetLastError(error);
            return FALSE;
        }
    }
    return TRUE;
}

Registration registration{[] {
    RegisterIoctlHandler(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, GetDiskExtents);
    RegisterIoctlHandler(FSCTL_LOCK_VOLUME, LockVolume);
    RegisterIoctlHandler(FSCTL_UNLOCK_VOLUME, UnlockVolume);
    RegisterIoctlHandler(FSCTL_DISMOUNT_VOLUME, DismountVolume);
}};

} // namespace
} // namespace platform
