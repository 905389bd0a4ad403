#include "fsbuild/core/dispatcher.h"

#include "fsbuild/core/build_context.h"
#include "fsbuild/core/source_tree.h"
#include "fsbuild/core/status.h"
#include "fsbuild/core/volume_access.h"
#include "fsbuild/fat/fat_build.h"
#include "fsbuild/iso9660/iso_build.h"
#include "fsbuild/ntfs/ntfs_build.h"
#include "fsbuild/fs_build_params.h"

#include "platform/debug/debug.h"

namespace {

constexpr std::uint8_t kLargestClusterExponent = 7;

void FillContext(FsBuildContext& ctx, FsBuildParams& params)
{
    ResetBuildContext(ctx);
    ctx.u32FsType = params.u8FsType & 0x07;
    ctx.bCopySource = (params.u8FsType & kFsTypeCopySourceBit) != 0;
    ctx.bWriteMBR = (params.u8FsType & kFsTypeWriteMbrBit) != 0;
    ctx.u32DevStartSector = params.u32DevStartSector;
    ctx.bRoundFatToCluster = (params.u8ClusterExp & kClusterExpRoundFatBit) != 0;
    ctx.u8CreateWay = params.m1B_CreateWay;
    ctx.i32DriveOrDisk = params.i32DriveOrDisk;
    ctx.u8IoRetry = params.u8IoRetry;
    ctx.bDevice = params.m1B_CreateWay != kCreateImageFile;
    ctx.u32PartStart = params.u32PartStart != 0 ? params.u32PartStart : 32;
    ctx.u8RsvSector = params.u8BS_RsvSector;
    if (!ctx.bWriteMBR)
        ctx.u32PartStart = 0;
    ctx.u64TotalSector = params.u32TotalSector;
    ctx.u64PartSector = ctx.u64TotalSector > ctx.u32PartStart ? ctx.u64TotalSector - ctx.u32PartStart : 0;
    ctx.u32BytesPerSector = static_cast<std::uint32_t>(params.i32BytesPerSector);
    std::uint8_t exponent = params.u8ClusterExp & 0x7F;
    if (exponent > 0 && exponent <= kLargestClusterExponent)
        ctx.u8SecPerClus = static_cast<std::uint8_t>(1u << exponent);
    ctx.strLabel = params.pszLabel != nullptr ? params.pszLabel : "";
    ctx.strSourcePath = params.pszSourcePath != nullptr ? params.pszSourcePath : "";
    ctx.strImagePath = params.pszImagePath != nullptr ? params.pszImagePath : "";
    ctx.pu8Progress = &params.u8Progress;
    StoreProgress(params.u8Progress, 0);
}

std::int32_t RunBuilder(FsBuildContext& ctx, SourceEntry* tree)
{
    switch (ctx.u32FsType) {
    case kFsTypeFat16:
    case kFsTypeFat32: return RunFatBuild(ctx, tree);
    case kFsTypeIso9660: return RunIsoBuild(ctx, tree);
    case kFsTypeNtfs: return RunNtfsBuild(ctx);
    default: platform::DebugPrintf(" Wrong Type"); return kStatusFatFailed;
    }
}

} // namespace

void BuildFileSystem(FsBuildParams& params)
{
    FsBuildContext ctx;
    FillContext(ctx, params);
    if ((params.u8ClusterExp & 0x7F) > kLargestClusterExponent && ctx.u32FsType != kFsTypeIso9660) {
        platform::DebugPrintf("cluster exponent %u asks for more than 128 sectors per cluster", params.u8ClusterExp & 0x7F);
        params.i32Status = ctx.u32FsType == kFsTypeNtfs ? kStatusFailed : kStatusFatFailed;
        return;
    }
    ScopedSourceTree tree;
    if (ctx.bCopySource && !ctx.strSourcePath.empty() && !ScanSourceTree(ctx, ctx.strSourcePath, tree.root())) {
        params.i32Status = kStatusInvalidRequest;
        return;
    }
    params.i32Status = RunBuilder(ctx, tree.get());
    RefreshAndUnlockVolume(ctx);
}
