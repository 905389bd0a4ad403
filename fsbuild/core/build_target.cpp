#include "fsbuild/core/build_target.h"

#include "fsbuild/core/status.h"
#include "fsbuild/core/volume_access.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/fileapi/fileapi.h"

#include <cstdio>

namespace {

constexpr DWORD kShared = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kUnbuffered = FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING;

int OpenImageFile(FsBuildContext& ctx)
{
    ctx.hTarget = CreateFileA(ctx.strImagePath.c_str(), GENERIC_READ | GENERIC_WRITE, kShared, nullptr, CREATE_ALWAYS,
                              kUnbuffered, nullptr);
    if (ctx.hTarget != INVALID_HANDLE_VALUE)
        return FS_STATUS_SUCCESS;
    platform::DebugPrintf("image file %s cannot be created, error %u", ctx.strImagePath.c_str(), GetLastError());
    return FS_STATUS_IMAGEPATH_ERROR;
}

int OpenDrive(FsBuildContext& ctx)
{
    int diskNumber = -1;
    bool locked = false;
    ctx.hTarget = OpenDriveVolume(static_cast<char>(ctx.i32DriveOrDisk & 0xFF), ctx.hVolume, diskNumber, locked);
    if (ctx.hTarget == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf(" GetPhysicalDiskHANDLE Fail");
        return FS_STATUS_WRITE_FAIL;
    }
    if (!locked) {
        platform::DebugPrintf("drive %c: is in use and cannot be locked: nothing written", ctx.i32DriveOrDisk & 0xFF);
        return FS_STATUS_WRITE_FAIL;
    }
    ctx.bVolumeLocked = true;
    return FS_STATUS_SUCCESS;
}

int OpenDisk(FsBuildContext& ctx, bool lockVolume)
{
    if (lockVolume) {
        ctx.hVolume = GetVolumeHandleOfDisk(ctx.i32DriveOrDisk);
        if (ctx.hVolume == INVALID_HANDLE_VALUE) {
            platform::DebugPrintf(" GetVolumeHandle Fail");
        } else if (LockVolumeRetry(ctx.hVolume) != 0) {
            platform::DebugPrintf("a volume of disk %d is in use and cannot be locked: nothing written", ctx.i32DriveOrDisk);
            return FS_STATUS_WRITE_FAIL;
        }
        ctx.bVolumeLocked = ctx.hVolume != INVALID_HANDLE_VALUE;
    }
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\PhysicalDrive%d", ctx.i32DriveOrDisk);
    ctx.hTarget = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, kShared, nullptr, OPEN_EXISTING, kUnbuffered, nullptr);
    if (ctx.hTarget == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf(" CreatePhysicalDrive Fail");
        return FS_STATUS_WRITE_FAIL;
    }
    return FS_STATUS_SUCCESS;
}

// The built area (the device start plus the target's sectors) must lie on the device: a
// request that reaches beyond it is refused before anything is written.
int CheckAreaFitsDevice(FsBuildContext& ctx)
{
    GET_LENGTH_INFORMATION length{};
    DWORD returned = 0;
    if (!DeviceIoControl(ctx.hTarget, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &returned, nullptr)) {
        platform::DebugPrintf("the length of disk %d cannot be read, error %u", ctx.i32DriveOrDisk, GetLastError());
        return FS_STATUS_WRITE_FAIL;
    }
    std::uint64_t areaEnd = std::uint64_t{ctx.u32DevStartSector} * ctx.u32DevStartSectorBytes +
                            ctx.u64TotalSector * ctx.u32TargetSectorBytes;
    if (areaEnd > static_cast<std::uint64_t>(length.Length.QuadPart)) {
        platform::DebugPrintf("the build reaches byte %llu of a disk of %lld bytes: nothing written",
                              static_cast<unsigned long long>(areaEnd), static_cast<long long>(length.Length.QuadPart));
        return FS_STATUS_WRITE_FAIL;
    }
    return FS_STATUS_SUCCESS;
}

} // namespace

int OpenBuildTarget(FsBuildContext& ctx, bool lockDiskVolume)
{
    int result = FS_STATUS_SUCCESS;
    switch (ctx.u8CreateWay) {
    case kCreateOnDrive: result = OpenDrive(ctx); break;
    case kCreateOnDisk:
    case kCreateOnDiskNoDismount: result = OpenDisk(ctx, lockDiskVolume); break;
    default: return OpenImageFile(ctx);
    }
    return result == FS_STATUS_SUCCESS ? CheckAreaFitsDevice(ctx) : result;
}

int FinishBuildTarget(FsBuildContext& ctx)
{
    if (!ctx.bDevice) {
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(ctx.u64TotalSector * ctx.u32TargetSectorBytes);
        if (!SetFilePointerEx(ctx.hTarget, end, nullptr, FILE_BEGIN) || !SetEndOfFile(ctx.hTarget)) {
            platform::DebugPrintf("image file %s cannot be given its length, error %u", ctx.strImagePath.c_str(),
                                  GetLastError());
            return FS_STATUS_WRITE_FAIL;
        }
    }
    if (!FlushFileBuffers(ctx.hTarget)) {
        platform::DebugPrintf("the target cannot be flushed, error %u", GetLastError());
        return FS_STATUS_WRITE_FAIL;
    }
    return FS_STATUS_SUCCESS;
}
