// The exported functions of the image builder (plain names, C linkage; the version script
// keeps everything else inside the library).
#include "fsbuild/core/dispatcher.h"
#include "fsbuild/core/status.h"
#include "fsbuild/core/validation.h"
#include "fsbuild/core/volume_access.h"
#include "fsbuild/fat/fat_layout.h"
#include "fsbuild/fs_build_params.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"

#include <exception>

namespace {

// The body the four build exports share.
int RunBuildExport(FsBuildParams* params, std::uint8_t mode, const std::int32_t* driveOrDisk)
{
    if (params == nullptr) {
        platform::DebugPrintf("build request is missing");
        return 1;
    }
    params->i32Status = kStatusFailed;
    try {
        if (!ValidateBuildParams(*params)) {
            params->i32Status = kStatusInvalidRequest;
        } else {
            params->m1B_CreateWay = mode;
            if (driveOrDisk != nullptr)
                params->i32DriveOrDisk = *driveOrDisk;
            BuildFileSystem(*params);
        }
    } catch (const std::exception& error) {
        // Nothing may escape into a caller that binds these functions by name.
        platform::DebugPrintf("build failed: %s", error.what());
        params->i32Status = kStatusFailed;
    }
    if (params->i32Status == kStatusSuccess)
        return 0;
    StoreProgress(params->u8Progress, 100);
    return 1;
}

int ControlOnce(HANDLE handle, DWORD code)
{
    DWORD returned = 0;
    return DeviceIoControl(handle, code, nullptr, 0, nullptr, 0, &returned, nullptr) ? 0 : -1;
}

} // namespace

extern "C" {

int knlfs_CreateFileSystemImage(FsBuildParams* params)
{
    return RunBuildExport(params, kCreateImageFile, nullptr);
}

int knlfs_BuildDriveFileSystem(FsBuildParams* params, char driveLetter)
{
    std::int32_t letter = static_cast<unsigned char>(driveLetter);
    return RunBuildExport(params, kCreateOnDrive, &letter);
}

int knlfs_BuildPhyDiskFileSystem(FsBuildParams* params, int diskNumber)
{
    return RunBuildExport(params, kCreateOnDisk, &diskNumber);
}

int knlfs_BuildPhyDiskFileSystemNoUMount(FsBuildParams* params, int diskNumber)
{
    bool ntfs = params != nullptr && (params->u8FsType & 0x07) == kFsTypeNtfs;
    return RunBuildExport(params, ntfs ? kCreateOnDiskNoDismount : kCreateOnDisk, &diskNumber);
}

std::uint32_t knlfs_GetFAT32RootSectorAddr(FsBuildParams* params)
{
    if (params == nullptr)
        return 0;
    params->i32Status = kStatusFailed;
    std::uint32_t address = 0;
    if ((params->u8FsType & 0x0F) == kFsTypeFat32 && ValidateBuildParams(*params)) {
        address = CalcFAT32RootSectorAddr(*params);
        params->i32Status = address != 0 ? kStatusSuccess : kStatusFatFailed;
    }
    StoreProgress(params->u8Progress, 100);
    return address;
}

HANDLE knlfs_GetVolumeHandle(int diskNumber)
{
    return GetVolumeHandleOfDisk(diskNumber);
}

int knlfs_Disk_Volume_lock(HANDLE volume)
{
    return LockVolumeAttempts(volume, 4, 300);
}

int knlfs_Disk_Volume_Unlock(HANDLE volume)
{
    return ControlOnce(volume, FSCTL_UNLOCK_VOLUME);
}

int knlfs_Disk_Refresh(HANDLE volume)
{
    return ControlOnce(volume, IOCTL_DISK_UPDATE_PROPERTIES);
}

} // extern "C"
