#include "fsbuild/fat/fat_image.h"

#include "fsbuild/core/build_target.h"
#include "fsbuild/core/mbr.h"
#include "fsbuild/core/status.h"
#include "fsbuild/fat/boot_sectors.h"
#include "fsbuild/fat/fat_layout.h"
#include "fsbuild/fat/fat_tree_writer.h"

#include "platform/debug/debug.h"

#include <new>
#include <vector>

namespace {

constexpr std::size_t kDataBufferBytes = 1 << 20;

DiskSignatureCounter fatSignatureCounter;

void Fat32Line(const FsBuildContext& ctx, const char* text, int result = FS_STATUS_SUCCESS)
{
    if (!IsFat32(ctx))
        return;
    if (result == FS_STATUS_SUCCESS)
        platform::DebugPrintf("%s", text);
    else
        platform::DebugPrintf("%s%s", text, FsStatusName(result));
}

int CreateFatImage(FsBuildContext& ctx, SourceEntry* tree)
{
    Fat32Line(ctx, " Create FAT32 Image Start");
    SetFatSectorSize(ctx);
    if (!CheckClusterSize(ctx))
        return FS_STATUS_CLUSTER_SIZE_ERROR;
    std::vector<std::uint8_t> data;
    try {
        data.resize(kDataBufferBytes);
    } catch (const std::bad_alloc&) {
        platform::DebugPrintf("ERROR no memory\r\n");
        return FS_STATUS_NO_MEMORY;
    }
    if (int result = OpenBuildTarget(ctx, true); result != FS_STATUS_SUCCESS) {
        if (result == FS_STATUS_IMAGEPATH_ERROR)
            Fat32Line(ctx, " Create FAT32 Image FS_STATUS_IMAGEPATH_ERROR");
        return result;
    }
    if (ctx.bWriteMBR) {
        if (int result = WriteMBR(ctx); result != FS_STATUS_SUCCESS) {
            Fat32Line(ctx, " WriteMBR Fail");
            return result;
        }
    }
    int result = IsFat32(ctx) ? WriteBSFAT32(ctx) : WriteBSFAT16(ctx);
    if (result != FS_STATUS_SUCCESS) {
        Fat32Line(ctx, " WriteBSFAT32, ", result);
        return result;
    }
    if (ctx.bCopySource) {
        if (result = WriteImage(ctx, data, tree); result != FS_STATUS_SUCCESS) {
            Fat32Line(ctx, " WriteImage, ", result);
            return result;
        }
        if (IsFat32(ctx) && (result = UpdateFsInfo(ctx)) != FS_STATUS_SUCCESS)
            return result;
    }
    return FinishBuildTarget(ctx);
}

} // namespace

int CreateFAT16Image(FsBuildContext& ctx, SourceEntry* tree)
{
    return CreateFatImage(ctx, tree);
}

int CreateFAT32Image(FsBuildContext& ctx, SourceEntry* tree)
{
    return CreateFatImage(ctx, tree);
}

int WriteMBR(FsBuildContext& ctx)
{
    if (!IsFat16(ctx) && !IsFat32(ctx)) {
        platform::DebugPrintf("Filesystem Type error\r\n");
        return FS_STATUS_TYPE_ERROR;
    }
    if (ctx.u8SecPerClus == 0 && !CheckClusterSize(ctx))
        return FS_STATUS_TYPE_ERROR;
    ctx.u32ClusterBytes = ctx.u8SecPerClus * ctx.u32BytesPerSector;
    return WriteMasterBootRecord(ctx, IsFat32(ctx) ? kPartitionTypeFat32 : kPartitionTypeFat16, fatSignatureCounter,
                                 "FAT32");
}
