#include "fsbuild/fat/fat_layout.h"

#include "fsbuild/core/cluster_tables.h"
#include "fsbuild/core/needed_bytes.h"
#include "fsbuild/fs_build_params.h"

#include "platform/debug/debug.h"

namespace {

constexpr std::uint32_t kFat16MinClusters = 4085;
constexpr std::uint32_t kFat16MaxClusters = 65524;
constexpr std::uint32_t kFat32MinClusters = 65525;
constexpr std::uint32_t kFat32MaxClusters = 0x0FFFFFF5;
constexpr std::uint32_t kFat16RootSectors = 32; // 512 entries of 32 bytes in 512-byte sectors
constexpr std::uint32_t kLargestSectorsPerCluster = 128;

struct FatGeometry {
    std::uint64_t fatSectors = 0;
    std::uint64_t clusters = 0;
};

const ClusterTable& TableOf(const FsBuildContext& ctx)
{
    return IsFat16(ctx) ? kFat16ClusterTable : kFat32ClusterTable;
}

// The FAT size by the usual formula, then grown until the FAT has an entry for each
// cluster of the data area it leaves (the formula alone can fall one entry short).
FatGeometry GeometryFor(const FsBuildContext& ctx, std::uint64_t S)
{
    std::uint64_t P = ctx.u64PartSector, R = ctx.u8RsvSector, B = ctx.u32BytesPerSector;
    bool fat16 = IsFat16(ctx);
    std::uint64_t root = fat16 ? kFat16RootSectors : 0;
    if (P <= R + S + root)
        return {};
    std::uint64_t entriesPerSector = B / (fat16 ? 2 : 4);
    for (std::uint64_t F = FormulaFatSectors(ctx, S);; F += ctx.bRoundFatToCluster ? S : 1) {
        FatGeometry geometry{F, 0};
        if (P <= R + 2 * F + root)
            return geometry;
        geometry.clusters = (P - R - 2 * F - root) / S;
        if (F * entriesPerSector >= geometry.clusters + 2)
            return geometry;
    }
}

bool CountFitsType(const FsBuildContext& ctx, std::uint64_t clusters)
{
    return IsFat16(ctx) ? clusters >= kFat16MinClusters && clusters <= kFat16MaxClusters
                        : clusters >= kFat32MinClusters && clusters <= kFat32MaxClusters;
}

// From the table's size, the nearest size whose cluster count fits the type: smaller
// clusters when there are too few, larger when there are too many. 0 when none fits.
std::uint64_t NearestFittingSize(const FsBuildContext& ctx, std::uint64_t S)
{
    std::uint64_t minimum = IsFat16(ctx) ? kFat16MinClusters : kFat32MinClusters;
    bool tooFew = GeometryFor(ctx, S).clusters < minimum;
    for (; S >= 1 && S <= kLargestSectorsPerCluster; S = tooFew ? S / 2 : S * 2)
        if (CountFitsType(ctx, GeometryFor(ctx, S).clusters))
            return S;
    return 0;
}

void StoreLayout(FsBuildContext& ctx, std::uint64_t S, const FatGeometry& geometry)
{
    ctx.u8SecPerClus = static_cast<std::uint8_t>(S);
    ctx.u32ClusterBytes = static_cast<std::uint32_t>(S * ctx.u32BytesPerSector);
    ctx.u32FatSize = static_cast<std::uint32_t>(geometry.fatSectors);
    ctx.u32ClusterCount = static_cast<std::uint32_t>(geometry.clusters);
    ctx.u32FatStart = ctx.u32HiddenSector + ctx.u8RsvSector;
    ctx.u32Fat2Start = ctx.u32FatStart + ctx.u32FatSize;
    ctx.u32FirstDataSector = ctx.u32Fat2Start + ctx.u32FatSize;
}

} // namespace

void SetFatSectorSize(FsBuildContext& ctx)
{
    if (IsFat16(ctx) || ctx.u32BytesPerSector != 4096)
        ctx.u32BytesPerSector = 512;
    ctx.u32TargetSectorBytes = ctx.u32BytesPerSector;
    ctx.u32DevStartSectorBytes = ctx.u32BytesPerSector;
}

bool ChooseClusterSize(FsBuildContext& ctx)
{
    std::uint64_t P = ctx.u64PartSector;
    std::uint64_t minimumPerCluster = IsFat16(ctx) ? kFat16MinClusters : kFat32MinClusters;
    bool usable = false;
    for (const ClusterRow& row : TableOf(ctx)) {
        if (P < row.sectorsBelow && (!IsFat16(ctx) || row.sectorsPerCluster != 0))
            usable = true;
        // A request that does not suit this volume gives way to the automatic choice; the
        // walk still goes on to the rows that may be usable for it.
        if (ctx.u8SecPerClus != 0 && row.sectorsPerCluster == ctx.u8SecPerClus &&
            (P > row.sectorsBelow || P / ctx.u8SecPerClus < minimumPerCluster))
            ctx.u8SecPerClus = 0;
    }
    return usable;
}

bool CheckClusterSize(FsBuildContext& ctx)
{
    ctx.u32HiddenSector = ctx.bWriteMBR ? ctx.u32PartStart : 0;
    ctx.u64PartSector = ctx.u64TotalSector > ctx.u32HiddenSector ? ctx.u64TotalSector - ctx.u32HiddenSector : 0;
    const char* cannotUse = IsFat16(ctx) ? "Can not use FAT16\r\n" : "Can not use FAT32\r\n";
    std::uint64_t automatic = ClusterSizeFor(TableOf(ctx), ctx.u64PartSector);
    std::uint64_t S = ctx.u8SecPerClus;
    if (S != 0 && !CountFitsType(ctx, GeometryFor(ctx, S).clusters)) {
        platform::DebugPrintf("%u sectors per cluster give no valid cluster count: chosen automatically",
                              static_cast<unsigned>(S));
        S = 0;
    }
    if (S == 0) {
        if (automatic == 0) {
            platform::DebugPrintf("%s", cannotUse);
            return false;
        }
        S = NearestFittingSize(ctx, automatic);
        if (S == 0) {
            platform::DebugPrintf("no cluster size gives a valid cluster count on %llu sectors",
                                  static_cast<unsigned long long>(ctx.u64PartSector));
            return false;
        }
    }
    StoreLayout(ctx, S, GeometryFor(ctx, S));
    return true;
}

std::uint32_t CalcFAT32RootSectorAddr(const FsBuildParams& params)
{
    FsBuildContext ctx;
    ResetBuildContext(ctx);
    ctx.u32FsType = kFsTypeFat32;
    ctx.bWriteMBR = (params.u8FsType & kFsTypeWriteMbrBit) != 0;
    ctx.u32PartStart = 32;
    ctx.u8RsvSector = 32;
    ctx.u64TotalSector = params.u32TotalSector;
    std::uint64_t partitionStart = ctx.bWriteMBR ? ctx.u32PartStart : 0;
    ctx.u64PartSector = ctx.u64TotalSector > partitionStart ? ctx.u64TotalSector - partitionStart : 0;
    ctx.u32BytesPerSector = static_cast<std::uint32_t>(params.i32BytesPerSector);
    SetFatSectorSize(ctx);
    std::uint8_t exponent = params.u8ClusterExp & 0x7F;
    if (exponent > 7)
        return 0;
    ctx.u8SecPerClus = static_cast<std::uint8_t>(exponent != 0 ? 1u << exponent : 0);
    // The build's own choice of cluster size and layout, so that the address is where the
    // build puts it, also when a requested size gives way to the automatic one.
    if (!ChooseClusterSize(ctx) || !CheckClusterSize(ctx))
        return 0;
    return ctx.u32FirstDataSector + ctx.u8SecPerClus;
}
