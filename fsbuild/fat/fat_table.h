// The FAT in memory while the source tree is copied (ctx.fat, one FAT of ctx.u32FatSize
// sectors), and the cluster allocator.
#pragma once

#include "fsbuild/core/build_context.h"

#include <cstdint>

// The all-ones end-of-chain value of the allocator (0xFFFF, 0xFFFFFFFF).
std::uint32_t EndOfChain(const FsBuildContext& ctx);

std::uint32_t GetFatEntry(const FsBuildContext& ctx, std::uint32_t cluster);
void SetFatEntry(FsBuildContext& ctx, std::uint32_t cluster, std::uint32_t value);

// From the next-free hint, the first free cluster: marked end of chain and kept as the new
// hint. 0 when every cluster of the volume is taken.
std::uint32_t AllocateCluster(FsBuildContext& ctx);

// The first sector of a data cluster (c >= 2), from the target's start.
std::uint64_t ClusterToSector(const FsBuildContext& ctx, std::uint32_t cluster);
