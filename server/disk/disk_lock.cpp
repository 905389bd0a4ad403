// Locking the volumes of a disk around raw writes. Every volume that lies wholly on the
// disk is locked, not only the first: another partition left mounted would have its file
// system written under it. On Linux a mounted volume cannot be locked, so each attempt
// dismounts the volume first; a volume still in use refuses both, and then the whole lock
// fails and releases what it had taken. The caller gets one handle for all the volumes.
#include "server/disk/disk_slots.h"

#include "server/disk/disk_index.h"
#include "server/disk/disk_volumes.h"

#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/volume_api.h"

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kLockAttempts = 4;
constexpr DWORD kLockPauseMs = 300;

BOOL Control(HANDLE handle, DWORD code, void* out = nullptr, DWORD outSize = 0)
{
    DWORD returned = 0;
    return DeviceIoControl(handle, code, nullptr, 0, out, outSize, &returned, nullptr);
}

// The volumes one Disk_Lock holds. Closing the handle closes them all, which also drops
// their locks, so a caller that only closes it leaves nothing behind.
class LockedVolumes final : public platform::HandleObject {
public:
    ~LockedVolumes() override
    {
        for (HANDLE volume : volumes)
            CloseHandle(volume);
    }

    // Dismounts (a file system mounted meanwhile saw the disk in the middle of the writes)
    // and unlocks each volume; false when one would not unlock.
    bool UnlockAll()
    {
        bool unlocked = true;
        for (HANDLE volume : volumes) {
            if (!Control(volume, FSCTL_DISMOUNT_VOLUME))
                platform::DebugPrintf("Disk_Unlock dismount fail=%x", GetLastError());
            if (!Control(volume, FSCTL_UNLOCK_VOLUME)) {
                platform::DebugPrintf("Disk_Unlock unlock fail=%x", GetLastError());
                unlocked = false;
            }
        }
        return unlocked;
    }

    std::vector<HANDLE> volumes;
};

// Opens every volume that lies wholly on the disk for reading and writing into `held`;
// false when the volume list cannot be read or such a volume cannot be opened (it could
// not be locked).
bool OpenVolumesOfDisk(DWORD diskNumber, LockedVolumes& held)
{
    std::vector<std::string> names;
    if (!VolumesOnDisk(diskNumber, names)) {
        platform::DebugPrintf("Disk_Lock volume list fail=%x", GetLastError());
        return false;
    }
    for (const std::string& name : names) {
        HANDLE volume = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        if (volume == INVALID_HANDLE_VALUE) {
            platform::DebugPrintf("Disk_Lock open %s fail=%x", name.c_str(), GetLastError());
            return false;
        }
        held.volumes.push_back(volume);
    }
    return true;
}

bool LockVolumeRetry(HANDLE volume)
{
    for (int attempt = 1; attempt <= kLockAttempts; ++attempt) {
        if (Control(volume, FSCTL_DISMOUNT_VOLUME) && Control(volume, FSCTL_LOCK_VOLUME))
            return true;
        if (attempt < kLockAttempts)
            Sleep(kLockPauseMs);
    }
    platform::DebugPrintf("Disk_Lock lock fail=%x", GetLastError());
    return false;
}

} // namespace

INT DiskSlots::Disk_Lock(HANDLE* handles, BYTE index, HANDLE* volume)
{
    platform::DebugPrintf("Disk_Lock(%d)", index);
    if (volume == nullptr || !PortIndexFits(index))
        return 0;
    *volume = INVALID_HANDLE_VALUE;
    DWORD diskNumber = 0;
    if (!DiskNumberOf(handles[index], diskNumber, "Disk_Lock_Err"))
        return 0;
    auto held = std::make_shared<LockedVolumes>();
    if (!OpenVolumesOfDisk(diskNumber, *held))
        return 0;
    if (held->volumes.empty())
        return 1;
    for (HANDLE each : held->volumes)
        if (!LockVolumeRetry(each))
            return 0; // closing the volumes with `held` drops the locks already taken
    *volume = platform::IssueHandle(std::move(held));
    return 1;
}

INT DiskSlots::Disk_Unlock(HANDLE* handles, BYTE index, HANDLE volume)
{
    platform::DebugPrintf("Disk_Unlock(%d)", index);
    if (!PortIndexFits(index))
        return 0;
    INT result = 1;
    if (volume != INVALID_HANDLE_VALUE) {
        auto held = platform::HandleAs<LockedVolumes>(volume);
        if (held == nullptr) {
            platform::DebugPrintf("Disk_Unlock volume handle %p refused", volume);
            result = 0;
        } else {
            if (!held->UnlockAll())
                result = 0;
            CloseHandle(volume);
        }
    }
    // After the volumes are closed: the partition table is re-read only while none of the
    // disk's partitions is held open.
    if (!Control(handles[index], IOCTL_DISK_UPDATE_PROPERTIES)) {
        platform::DebugPrintf("Disk_Unlock update fail=%x", GetLastError());
        result = 0;
    }
    return result;
}
