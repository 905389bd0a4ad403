#include "fsbuild/ntfs/ntfs_build.h"

#include "fsbuild/core/copy_tree.h"
#include "fsbuild/core/needed_bytes.h"
#include "fsbuild/core/status.h"
#include "fsbuild/ntfs/create_ntfs_image.h"
#include "fsbuild/ntfs/format_ntfs.h"
#include "platform/debug/debug.h"

std::int32_t RunNtfsBuild(FsBuildContext& ctx)
{
    if (!ntfs::NtfsLabelFits(ctx.strLabel))
        return kStatusLabelTooLong;
    ctx.u64NeededBytes += NtfsMetadataBytes(ctx.u64TotalSector - ctx.u32PartStart);
    // As for the other file systems: a tree that cannot fit fails before anything is written.
    std::uint64_t room = ctx.u64PartSector * ctx.u32BytesPerSector;
    if (ctx.bCopySource && ctx.u64NeededBytes > room) {
        platform::DebugPrintf("%llu bytes needed, the volume has %llu", static_cast<unsigned long long>(ctx.u64NeededBytes),
                              static_cast<unsigned long long>(room));
        return kStatusInvalidRequest;
    }
    ntfs::NtfsOptions options;
    if (ntfs::CreateNTFSImage(options, ctx)) {
        platform::DebugPrintf("CreateNTFSImage fail.");
        return kStatusFailed;
    }
    if (ctx.bCopySource) {
        std::int32_t copied = CopySourceToBuiltVolume(ctx);
        if (copied != kStatusSuccess)
            return copied;
    }
    StoreProgress(*ctx.pu8Progress, 100);
    return kStatusSuccess;
}
