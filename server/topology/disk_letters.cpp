#include "server/topology/disk_letters.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/volume_api.h"

namespace {

HANDLE OpenShared(const char* path)
{
    return CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The disk a volume lies wholly on; false when it cannot be opened or spans disks.
bool DiskOfVolume(char letter, DWORD& diskNumber)
{
    const char name[] = {'\\', '\\', '.', '\\', letter, ':', '\0'};
    HANDLE volume = OpenShared(name);
    if (volume == INVALID_HANDLE_VALUE)
        return false;
    VOLUME_DISK_EXTENTS extents{};
    DWORD returned = 0;
    const BOOL read = DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents, sizeof extents,
                                      &returned, nullptr);
    CloseHandle(volume);
    if (!read || extents.NumberOfDiskExtents != 1)
        return false;
    diskNumber = extents.Extents[0].DiskNumber;
    return true;
}

} // namespace

std::vector<LetteredVolumeDisk> ReadLetteredVolumeDisks()
{
    std::vector<LetteredVolumeDisk> volumes;
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        DWORD diskNumber = 0;
        if ((drives & (1u << (letter - 'A'))) != 0 && DiskOfVolume(letter, diskNumber))
            volumes.push_back({letter, diskNumber});
    }
    return volumes;
}

void GetDriveLetterForGPTFormat(const std::string& diskPath, const std::vector<LetteredVolumeDisk>& volumes,
                                DiskEntry& entry)
{
    OutputDebugStringA(" @@ GetDriveLetterForGPTFormat");
    HANDLE disk = OpenShared(diskPath.c_str());
    if (disk == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf("open disk fail=%x", GetLastError());
        return;
    }
    STORAGE_DEVICE_NUMBER number{};
    DWORD returned = 0;
    const BOOL read = DeviceIoControl(disk, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number, &returned,
                                      nullptr);
    const DWORD error = GetLastError();
    CloseHandle(disk);
    if (!read) {
        platform::DebugPrintf("get device number fail=%x", error);
        return;
    }
    for (const LetteredVolumeDisk& volume : volumes) {
        if (volume.diskNumber != number.DeviceNumber)
            continue;
        if (entry.driveLetterCount >= sizeof entry.driveLetters)
            break;
        entry.driveLetters[entry.driveLetterCount++] = volume.letter;
        platform::DebugPrintf("  VolumCount[%X]=DRIVE %c ", entry.driveLetterCount, volume.letter);
    }
}
