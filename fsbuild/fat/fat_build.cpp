#include "fsbuild/fat/fat_build.h"

#include "fsbuild/core/needed_bytes.h"
#include "fsbuild/core/status.h"
#include "fsbuild/fat/fat_image.h"
#include "fsbuild/fat/fat_layout.h"
#include "fsbuild/fat/fat_room.h"

#include "platform/debug/debug.h"

namespace {

constexpr std::size_t kLongestLabel = 12;

} // namespace

std::int32_t RunFatBuild(FsBuildContext& ctx, SourceEntry* tree)
{
    bool fat32 = IsFat32(ctx);
    SetFatSectorSize(ctx);
    if (!ChooseClusterSize(ctx)) {
        if (fat32)
            platform::DebugPrintf(" tmpClus is 0");
        return kStatusFatFailed;
    }
    if (ctx.strLabel.size() > kLongestLabel)
        return kStatusLabelTooLong;
    if (!CheckClusterSize(ctx)) {
        if (fat32)
            platform::DebugPrintf(" Get Cluster Size Error");
        return kStatusFatFailed;
    }
    ctx.u64NeededBytes += FatMetadataBytes(ctx);
    if (ctx.u64NeededBytes > ctx.u64PartSector * ctx.u32BytesPerSector) {
        platform::DebugPrintf("%llu bytes needed, the volume has %llu", static_cast<unsigned long long>(ctx.u64NeededBytes),
                              static_cast<unsigned long long>(ctx.u64PartSector * ctx.u32BytesPerSector));
        return kStatusInvalidRequest;
    }
    if (ctx.bCopySource) {
        TreeFit fit = CheckFatTreeFits(ctx, tree);
        if (fit == TreeFit::RootFull)
            return kStatusFatFailed;
        if (fit == TreeFit::TooLarge)
            return kStatusInvalidRequest;
    }
    int result = fat32 ? CreateFAT32Image(ctx, tree) : CreateFAT16Image(ctx, tree);
    if (result == FS_STATUS_SUCCESS) {
        StoreProgress(*ctx.pu8Progress, 100);
        return kStatusSuccess;
    }
    if (result == FS_STATUS_READ_FAIL)
        return kStatusInvalidRequest;
    if (fat32)
        platform::DebugPrintf(" Create FAT32 Image Error");
    return kStatusFatFailed;
}
