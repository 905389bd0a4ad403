#include "server/disk/disk_volumes.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/volume_api.h"

namespace {

constexpr DWORD kExtentsBufferBytes = 248;

BOOL Control(HANDLE handle, DWORD code, void* out = nullptr, DWORD outSize = 0)
{
    DWORD returned = 0;
    return DeviceIoControl(handle, code, nullptr, 0, out, outSize, &returned, nullptr);
}

bool LiesWhollyOnDisk(HANDLE volume, DWORD diskNumber)
{
    alignas(8) unsigned char buffer[kExtentsBufferBytes] = {};
    if (!Control(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, buffer, sizeof buffer))
        return false;
    const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer);
    return extents->NumberOfDiskExtents == 1 && extents->Extents[0].DiskNumber == diskNumber;
}

} // namespace

bool DiskNumberOf(HANDLE disk, DWORD& number, const char* failureName)
{
    STORAGE_DEVICE_NUMBER reported{};
    if (!Control(disk, IOCTL_STORAGE_GET_DEVICE_NUMBER, &reported, sizeof reported)) {
        platform::DebugPrintf("%s=%x", failureName, GetLastError());
        return false;
    }
    number = reported.DeviceNumber;
    return true;
}

bool VolumesOnDisk(DWORD diskNumber, std::vector<std::string>& names)
{
    char name[MAX_PATH] = {};
    HANDLE search = FindFirstVolumeA(name, sizeof name);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_NO_MORE_FILES;
    do {
        std::string volumeName = name;
        if (!volumeName.empty() && volumeName.back() == '\\')
            volumeName.pop_back();
        // Asked where it lies through a handle without access, so that asking never needs
        // the rights the caller will ask for.
        HANDLE query = CreateFileA(volumeName.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
        if (query == INVALID_HANDLE_VALUE)
            continue;
        if (LiesWhollyOnDisk(query, diskNumber))
            names.push_back(volumeName);
        CloseHandle(query);
    } while (FindNextVolumeA(search, name, sizeof name));
    FindVolumeClose(search);
    return true;
}

INT DisMountVolume(HANDLE disk, BOOL force)
{
    OutputDebugStringA("DisMountVolume");
    // Only version-6 Windows skipped an unforced dismount; this platform always dismounts.
    (void)force;
    DWORD diskNumber = 0;
    if (!DiskNumberOf(disk, diskNumber, "GetDeviceNumber_Err"))
        return 0;
    std::vector<std::string> names;
    if (!VolumesOnDisk(diskNumber, names)) {
        platform::DebugPrintf("DisMount_Err=%x", GetLastError());
        return 0;
    }
    INT result = 1;
    for (const std::string& name : names) {
        HANDLE volume = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        if (volume == INVALID_HANDLE_VALUE || !Control(volume, FSCTL_DISMOUNT_VOLUME)) {
            platform::DebugPrintf("DisMount_Err=%x", GetLastError());
            result = 0;
        }
        if (volume != INVALID_HANDLE_VALUE)
            CloseHandle(volume);
    }
    return result;
}
