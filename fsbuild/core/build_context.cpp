#include "fsbuild/core/build_context.h"

void ResetBuildContext(FsBuildContext& ctx)
{
    ctx.hTarget = INVALID_HANDLE_VALUE;
    ctx.hVolume = INVALID_HANDLE_VALUE;
    ctx.bVolumeLocked = false;
    ctx.u64Position = 0;
    ctx.u64TotalSector = 0;
    ctx.u64PartSector = 0;
    ctx.u32BytesPerSector = 512;
    ctx.u32HiddenSector = 0;
    ctx.u8SecPerClus = 0;
    ctx.u32FsType = 0;
    ctx.strLabel.clear();
    ctx.strSourcePath.clear();
    ctx.strImagePath.clear();
    ctx.bCopySource = false;
    ctx.bWriteMBR = false;
    ctx.bDevice = false;
    ctx.bRoundFatToCluster = false;
    ctx.u32DevStartSector = 0;
    ctx.u32PartStart = 0;
    ctx.u32TargetSectorBytes = 512;
    ctx.u32DevStartSectorBytes = 512;
    ctx.u8RsvSector = 0;
    ctx.u32FatStart = 0;
    ctx.u32FatSize = 0;
    ctx.u32Fat2Start = 0;
    ctx.u32FirstDataSector = 0;
    ctx.u32ClusterBytes = 0;
    ctx.u32ClusterCount = 0;
    ctx.u32NextFreeCluster = 0;
    ctx.fat.clear();
    ctx.fat.shrink_to_fit();
    ctx.u8CreateWay = 0;
    ctx.i32DriveOrDisk = 0;
    ctx.u8IoRetry = 0;
    ctx.u64NeededBytes = 0;
    ctx.u64DoneBytes = 0;
    ctx.pu8Progress = nullptr;
}

void StoreProgress(std::uint8_t& progress, std::uint8_t value)
{
    std::atomic_ref<std::uint8_t>(progress).store(value, std::memory_order_relaxed);
}

std::uint8_t LoadProgress(std::uint8_t& progress)
{
    return std::atomic_ref<std::uint8_t>(progress).load(std::memory_order_relaxed);
}
