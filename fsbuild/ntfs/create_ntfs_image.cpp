#include "fsbuild/ntfs/create_ntfs_image.h"

#include "fsbuild/core/build_context.h"
#include "fsbuild/core/build_target.h"
#include "fsbuild/core/cluster_tables.h"
#include "fsbuild/core/mbr.h"
#include "fsbuild/core/sector_writer.h"
#include "fsbuild/core/status.h"
#include "fsbuild/core/volume_access.h"
#include "fsbuild/ntfs/block_device.h"
#include "fsbuild/ntfs/format_ntfs.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"

#include <string>
#include <vector>

namespace ntfs {
namespace {

std::string PhysicalDriveName(int disk)
{
    return "\\\\.\\PhysicalDrive" + std::to_string(disk);
}

bool NtfsFitsTheMbr(const FsBuildContext& ctx)
{
    return ClusterSizeFor(kNtfsClusterTable, ctx.u64TotalSector) != 0;
}

// The drive's disk is what the formatter opens by name, so mode 1 keeps its number.
bool OpenTarget(FsBuildContext& ctx, int& disk)
{
    if (ctx.u8CreateWay != kCreateOnDrive) {
        disk = ctx.i32DriveOrDisk;
        return OpenBuildTarget(ctx, true) == FS_STATUS_SUCCESS;
    }
    bool locked = false;
    ctx.hTarget = OpenDriveVolume(static_cast<char>(ctx.i32DriveOrDisk & 0xFF), ctx.hVolume, disk, locked);
    if (ctx.hTarget == INVALID_HANDLE_VALUE)
        return false;
    if (!locked) {
        platform::DebugPrintf("drive %c: is in use and cannot be locked: nothing written", ctx.i32DriveOrDisk & 0xFF);
        return false;
    }
    ctx.bVolumeLocked = true; // the end of the build dismounts, notifies and unlocks it
    return true;
}

// One zero sector at the partition start: no old boot sector survives a format that fails.
bool ClearPartitionStart(FsBuildContext& ctx)
{
    std::vector<std::uint8_t> sector(ctx.u32BytesPerSector, 0);
    std::uint64_t position = std::uint64_t{ctx.u32HiddenSector} * ctx.u32BytesPerSector;
    return ReadWriteSectors(ctx, position, ctx.u32BytesPerSector, sector.data(), true) ==
           static_cast<std::int64_t>(sector.size());
}

} // namespace

int WriteMBRNTFS(FsBuildContext& ctx)
{
    static DiskSignatureCounter counter; // NTFS builds keep their own
    return WriteMasterBootRecord(ctx, kPartitionTypeNtfs, counter, "NTFS");
}

BOOL CreateNTFSImage(NtfsOptions& options, FsBuildContext& ctx)
{
    options = NtfsOptions{};
    if (ctx.u8SecPerClus != 0)
        options.clusterSize = std::int64_t{ctx.u8SecPerClus} * 512;
    ctx.u32HiddenSector = ctx.u32PartStart; // 0 without a master boot record
    // The total counts sectors of the volume's size; the device start stays in 512 bytes.
    ctx.u32TargetSectorBytes = ctx.u32BytesPerSector;
    options.sectors = static_cast<std::int64_t>(ctx.u64TotalSector) - ctx.u32HiddenSector;
    options.sectorSize = ctx.u32BytesPerSector;
    options.hiddenSectors = ctx.u32HiddenSector;
    options.label = ctx.strLabel;
    options.io.startOffset = std::uint64_t{ctx.u32DevStartSector} * 512;
    options.io.retries = ctx.u8IoRetry;
    options.io.progress = [&ctx](std::uint64_t bytes) { AddProgress(ctx, bytes); };
    // Without its record the partition would lie where nothing points to it; and a request
    // the formatter would refuse must not cost the target its partition table and boot
    // sector: both are refused before anything is written.
    if (ctx.bWriteMBR && !NtfsFitsTheMbr(ctx)) {
        OutputDebugStringA("Can not use NTFS\r\n");
        return TRUE;
    }
    if (!NtfsLayoutFits(options))
        return TRUE;
    int disk = -1;
    if (!OpenTarget(ctx, disk))
        return TRUE;
    bool onDevice = ctx.bDevice;
    std::int64_t areaEnd = static_cast<std::int64_t>(options.io.startOffset + ctx.u64TotalSector * ctx.u32BytesPerSector);
    if (onDevice && !AreaFitsTheDisk(ctx.hTarget, areaEnd, PhysicalDriveName(disk)))
        return TRUE;
    // The formatter shifts by the device start in image files too; the sector writer, which
    // puts the master boot record there, shifts with it so that the record finds its volume.
    ctx.bDevice = true;
    if (ctx.bWriteMBR && WriteMBRNTFS(ctx) != FS_STATUS_SUCCESS)
        return TRUE;
    if (onDevice && !ClearPartitionStart(ctx)) {
        platform::DebugPrintf("NTFS: the partition start cannot be cleared");
        return TRUE;
    }
    // The formatter opens the target again by name; the volume stays locked.
    CloseHandle(ctx.hTarget);
    ctx.hTarget = INVALID_HANDLE_VALUE;
    options.deviceName = ctx.u8CreateWay == kCreateImageFile ? ctx.strImagePath : PhysicalDriveName(disk);
    int formatted = FormatNTFS(options);
    // Released right after the format: the system mounts no volume that is held locked, and
    // the copy step writes through the mounted new volume.
    RefreshAndUnlockVolume(ctx);
    return formatted == 0 ? FALSE : TRUE;
}

} // namespace ntfs
