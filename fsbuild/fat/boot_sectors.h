// The boot sector (and FSInfo) of a FAT volume, and the format step that writes them with
// zeroed FATs and the root directory.
#pragma once

#include "fsbuild/core/build_context.h"

#include <cstdint>

// 512-byte structures from the context's layout (CheckClusterSize has run).
void BuildFat16BootSector(const FsBuildContext& ctx, std::uint8_t* sector);
void BuildFat32BootSector(const FsBuildContext& ctx, std::uint8_t* sector);
// FSInfo with the free-cluster count and the next-free hint.
void BuildFsInfo(std::uint8_t* sector, std::uint32_t freeClusters, std::uint32_t nextFree);

// Boot region, zeroed FATs and root directory (with the label entry first when there is a
// label), then the first FAT sector in both FATs. Result 0, FS_STATUS_WRITE_FAIL or
// FS_STATUS_SEEK_FAIL.
int WriteBSFAT16(FsBuildContext& ctx);
int WriteBSFAT32(FsBuildContext& ctx);

// After the source tree is in: both FSInfo copies with the clusters left free. Result 0,
// FS_STATUS_WRITE_FAIL or FS_STATUS_SEEK_FAIL.
int UpdateFsInfo(FsBuildContext& ctx);
