// The room a file system's own structures take (CalcNeededBytes), in bytes: added to the
// source files' sizes for the room check and the progress denominator.
#pragma once

#include "fsbuild/core/build_context.h"

#include <cstdint>

// FAT16 or FAT32 by ctx.u32FsType, from the context's sector size, reserved sectors,
// sectors per cluster, partition sectors and rounding bit.
std::uint64_t FatMetadataBytes(const FsBuildContext& ctx);

// One FAT's sectors by the sizing formula for `sectorsPerCluster`, rounded up to a multiple
// of it when the rounding bit is set (the layout grows it where the formula falls short).
std::uint64_t FormulaFatSectors(const FsBuildContext& ctx, std::uint64_t sectorsPerCluster);

constexpr std::uint64_t kIsoMetadataBytes = 40960;

// NTFS by the sectors of the volume (total less the partition start).
std::uint64_t NtfsMetadataBytes(std::uint64_t volumeSectors);
