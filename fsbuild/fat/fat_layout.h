// Cluster size and layout of a FAT16 or FAT32 volume.
#pragma once

#include "fsbuild/core/build_context.h"

#include <cstdint>

struct FsBuildParams;

// FAT16 writes 512-byte sectors; FAT32 4096-byte ones when asked for them, else 512.
void SetFatSectorSize(FsBuildContext& ctx);

// The dispatcher's walk of the type's table for a requested cluster size: keeps it while
// it fits the table, else sets it to automatic. False when the table has no usable row
// for the volume at all (a request set to automatic does not end the search for one).
bool ChooseClusterSize(FsBuildContext& ctx);

// Settles the partition size and start, chooses the cluster size when it is automatic,
// and lays out the volume so that its cluster count lies in the type's range and the FAT
// has an entry for every cluster. A requested size that gives no valid count is replaced
// by the automatic choice; when no size gives one, or the table rules the type out at this
// size ("Can not use FAT16"/"Can not use FAT32"), it fails.
bool CheckClusterSize(FsBuildContext& ctx);

// Where a FAT32 build of these parameters (partition start and reserved sectors 32, the
// FAT not rounded) starts cluster 3, the sector after the root directory's first cluster;
// 0 when the cluster size cannot be settled.
std::uint32_t CalcFAT32RootSectorAddr(const FsBuildParams& params);
