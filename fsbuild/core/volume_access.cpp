#include "fsbuild/core/volume_access.h"

#include "platform/base/lasterror.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/fileapi/fileapi.h"
#include "platform/fileapi/shell.h"
#include "platform/storage/volume_api.h"

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kExtentsBufferBytes = 248;

BOOL Control(HANDLE handle, DWORD code)
{
    DWORD returned = 0;
    return DeviceIoControl(handle, code, nullptr, 0, nullptr, 0, &returned, nullptr);
}

// The disk extents of a volume; false when it is not a volume or has none.
bool ReadExtents(HANDLE volume, VOLUME_DISK_EXTENTS& first, DWORD& count, DWORD& lastDisk)
{
    alignas(8) unsigned char buffer[kExtentsBufferBytes] = {};
    DWORD returned = 0;
    if (!DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, buffer, sizeof buffer, &returned,
                         nullptr))
        return false;
    const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer);
    count = extents->NumberOfDiskExtents;
    if (count == 0)
        return false;
    first = *extents;
    lastDisk = extents->Extents[count - 1].DiskNumber;
    return true;
}

bool IsOnlyOnDisk(HANDLE volume, int diskNumber)
{
    VOLUME_DISK_EXTENTS extents{};
    DWORD count = 0, lastDisk = 0;
    return ReadExtents(volume, extents, count, lastDisk) && count == 1 &&
           extents.Extents[0].DiskNumber == static_cast<DWORD>(diskNumber);
}

std::string DriveDevice(char letter)
{
    char name[8];
    std::snprintf(name, sizeof name, "\\\\.\\%c:", letter);
    return name;
}

std::string PhysicalDrive(int diskNumber)
{
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\PhysicalDrive%d", diskNumber);
    return name;
}

} // namespace

int LockVolumeAttempts(HANDLE volume, int attempts, DWORD pauseMs)
{
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (Control(volume, FSCTL_LOCK_VOLUME))
            return 0;
        if (attempt < attempts)
            Sleep(pauseMs);
    }
    platform::DebugPrintf("FSCTL_LOCK_VOLUME failed %d times, error %u", attempts, GetLastError());
    return -1;
}

int LockVolumeRetry(HANDLE volume)
{
    return LockVolumeAttempts(volume, 6, 200);
}

HANDLE OpenDriveVolume(char letter, HANDLE& volume, int& diskNumber, bool& locked)
{
    locked = false;
    volume = CreateFileA(DriveDevice(letter).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
    if (volume == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf("drive %c: cannot be opened, error %u", letter, GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    VOLUME_DISK_EXTENTS extents{};
    DWORD count = 0, lastDisk = 0;
    HANDLE physical = INVALID_HANDLE_VALUE;
    if (ReadExtents(volume, extents, count, lastDisk)) {
        diskNumber = static_cast<int>(lastDisk);
        physical = CreateFileA(PhysicalDrive(diskNumber).c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING, nullptr);
    }
    if (physical == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf("drive %c: its physical drive cannot be opened, error %u", letter, GetLastError());
        CloseHandle(volume);
        volume = INVALID_HANDLE_VALUE;
        return INVALID_HANDLE_VALUE;
    }
    locked = LockVolumeRetry(volume) == 0;
    return physical;
}

HANDLE GetVolumeHandleOfDisk(int diskNumber)
{
    char name[MAX_PATH] = {};
    HANDLE search = FindFirstVolumeA(name, sizeof name);
    if (search == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    HANDLE found = INVALID_HANDLE_VALUE;
    do {
        std::string volumeName = name;
        if (!volumeName.empty() && volumeName.back() == '\\')
            volumeName.pop_back();
        // Each volume is asked where it lies through a handle without access; only the one on
        // the disk is opened for reading and writing.
        HANDLE query = CreateFileA(volumeName.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
        if (query == INVALID_HANDLE_VALUE)
            continue;
        bool onDisk = IsOnlyOnDisk(query, diskNumber);
        CloseHandle(query);
        if (onDisk)
            found = CreateFileA(volumeName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    } while (found == INVALID_HANDLE_VALUE && FindNextVolumeA(search, name, sizeof name));
    FindVolumeClose(search);
    return found;
}

char FindDriveLetterOfDisk(int diskNumber)
{
    constexpr int kRounds = 11;
    for (int round = 1; round <= kRounds; ++round) {
        DWORD drives = GetLogicalDrives();
        for (int bit = 0; bit < 26; ++bit) {
            if ((drives & (1u << bit)) == 0)
                continue;
            char letter = static_cast<char>('A' + bit);
            HANDLE volume = CreateFileA(DriveDevice(letter).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            if (volume == INVALID_HANDLE_VALUE)
                continue;
            bool match = IsOnlyOnDisk(volume, diskNumber);
            CloseHandle(volume);
            // The letter counts once the volume is mounted: the caller goes through its root.
            char root[] = {letter, ':', '\\', '\0'};
            if (match && GetFileAttributesA(root) != INVALID_FILE_ATTRIBUTES)
                return letter;
        }
        if (round < kRounds)
            Sleep(300);
    }
    return static_cast<char>(0xFF);
}

int RefreshAndUnlockVolume(FsBuildContext& ctx)
{
    int result = 0;
    // A volume whose lock was refused belongs to someone else: it is only closed, never
    // dismounted under its user.
    if (ctx.hVolume != INVALID_HANDLE_VALUE && ctx.bVolumeLocked) {
        if (ctx.u8CreateWay != kCreateOnDiskNoDismount && !Control(ctx.hVolume, FSCTL_DISMOUNT_VOLUME))
            platform::DebugPrintf("FSCTL_DISMOUNT_VOLUME failed, error %u", GetLastError());
        if (ctx.u8CreateWay == kCreateOnDrive) {
            char root[4] = {static_cast<char>(ctx.i32DriveOrDisk & 0xFF), ':', '\\', '\0'};
            SHChangeNotify(SHCNE_MEDIAREMOVED, SHCNF_PATHA, root, nullptr);
        }
        if (!Control(ctx.hVolume, FSCTL_UNLOCK_VOLUME))
            platform::DebugPrintf("FSCTL_UNLOCK_VOLUME failed, error %u", GetLastError());
        ctx.bVolumeLocked = false;
    }
    if (ctx.hVolume != INVALID_HANDLE_VALUE) {
        CloseHandle(ctx.hVolume);
        ctx.hVolume = INVALID_HANDLE_VALUE;
    }
    // After the volume is closed: the system re-reads a partition table only while none of
    // the disk's partitions is held open.
    bool refresh = ctx.u8CreateWay == kCreateOnDrive || ctx.u8CreateWay == kCreateOnDisk;
    if (refresh && ctx.hTarget != INVALID_HANDLE_VALUE && !Control(ctx.hTarget, IOCTL_DISK_UPDATE_PROPERTIES)) {
        platform::DebugPrintf("IOCTL_DISK_UPDATE_PROPERTIES failed, error %u", GetLastError());
        result = -1;
    }
    if (ctx.hTarget != INVALID_HANDLE_VALUE) {
        if (!CloseHandle(ctx.hTarget))
            result = -1;
        ctx.hTarget = INVALID_HANDLE_VALUE;
    }
    return result;
}
