#include "server/disk/disk_volumes.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/volume_api.h"

namespace {

constexpr DWORD kExtentsBufferBytes = 248;

bool LiesWhollyOnDisk(HANDLE volume, DWORD diskNumber)
{
    alignas(8) unsigned char buffer[kExtentsBufferBytes] = {};
    DWORD returned = 0;
    if (!DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, buffer, sizeof buffer, &returned,
                         nullptr))
        return false;
    const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer);
    return extents->NumberOfDiskExtents == 1 && extents->Extents[0].DiskNumber == diskNumber;
}

} // namespace

bool ForEachVolumeOnDisk(DWORD diskNumber, const std::function<bool(const std::string& volumeName)>& each)
{
    char name[MAX_PATH] = {};
    HANDLE search = FindFirstVolumeA(name, sizeof name);
    if (search == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_NO_MORE_FILES)
            return true;
        platform::DebugPrintf("volume list fail=%x", GetLastError());
        return false;
    }
    bool going = true;
    do {
        std::string volumeName = name;
        if (!volumeName.empty() && volumeName.back() == '\\')
            volumeName.pop_back();
        // Asked where it lies through a handle without access; only volumes on the disk are
        // handed on.
        HANDLE query = CreateFileA(volumeName.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
        if (query == INVALID_HANDLE_VALUE)
            continue;
        const bool onDisk = LiesWhollyOnDisk(query, diskNumber);
        CloseHandle(query);
        if (onDisk)
            going = each(volumeName);
    } while (going && FindNextVolumeA(search, name, sizeof name));
    FindVolumeClose(search);
    return going;
}
