#include "fsbuild/fat/fat_table.h"

#include <algorithm>

std::uint32_t EndOfChain(const FsBuildContext& ctx)
{
    return IsFat16(ctx) ? 0xFFFFu : 0xFFFFFFFFu;
}

std::uint32_t GetFatEntry(const FsBuildContext& ctx, std::uint32_t cluster)
{
    if (IsFat16(ctx))
        return ctx.fat[2 * cluster] | (std::uint32_t{ctx.fat[2 * cluster + 1]} << 8);
    std::size_t at = 4 * std::size_t{cluster};
    return ctx.fat[at] | (std::uint32_t{ctx.fat[at + 1]} << 8) | (std::uint32_t{ctx.fat[at + 2]} << 16) |
           (std::uint32_t{ctx.fat[at + 3]} << 24);
}

void SetFatEntry(FsBuildContext& ctx, std::uint32_t cluster, std::uint32_t value)
{
    std::size_t width = IsFat16(ctx) ? 2 : 4;
    for (std::size_t i = 0; i < width; ++i)
        ctx.fat[width * cluster + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t AllocateCluster(FsBuildContext& ctx)
{
    // Cluster numbers run from 2 to count + 1; FAT entries beyond them belong to no cluster.
    std::uint64_t last = std::uint64_t{ctx.u32ClusterCount} + 1;
    for (std::uint64_t cluster = std::max<std::uint32_t>(ctx.u32NextFreeCluster, 2); cluster <= last; ++cluster) {
        if (GetFatEntry(ctx, static_cast<std::uint32_t>(cluster)) == 0) {
            SetFatEntry(ctx, static_cast<std::uint32_t>(cluster), EndOfChain(ctx));
            ctx.u32NextFreeCluster = static_cast<std::uint32_t>(cluster);
            return static_cast<std::uint32_t>(cluster);
        }
    }
    return 0;
}

std::uint64_t ClusterToSector(const FsBuildContext& ctx, std::uint32_t cluster)
{
    std::uint64_t firstCluster = IsFat16(ctx) ? ctx.u32FirstDataSector + 32 : ctx.u32FirstDataSector;
    return firstCluster + std::uint64_t{ctx.u8SecPerClus} * (cluster - 2);
}
