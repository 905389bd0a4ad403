// The working record of one build: created by the dispatcher from the caller's
// FsBuildParams, used by the builders and the sector writer, gone when the export returns.
#pragma once

#include "platform/base/wintypes.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct FsBuildParams;

// File-system types (bits 0-2 of u8FsType).
constexpr std::uint32_t kFsTypeFat16 = 1;
constexpr std::uint32_t kFsTypeFat32 = 2;
constexpr std::uint32_t kFsTypeIso9660 = 3;
constexpr std::uint32_t kFsTypeNtfs = 4;

// The flags beside the type in u8FsType, and beside the exponent in u8ClusterExp.
constexpr std::uint8_t kFsTypeCopySourceBit = 0x40;
constexpr std::uint8_t kFsTypeWriteMbrBit = 0x80;
constexpr std::uint8_t kClusterExpRoundFatBit = 0x80;

// Target modes (m1B_CreateWay).
constexpr std::uint8_t kCreateImageFile = 0;
constexpr std::uint8_t kCreateOnDrive = 1;
constexpr std::uint8_t kCreateOnDisk = 2;
constexpr std::uint8_t kCreateOnDiskNoDismount = 3;

struct FsBuildContext {
    HANDLE hTarget;               // image file or "\\.\PhysicalDrive%d"
    HANDLE hVolume;               // the locked volume in modes 1 to 3
    bool bVolumeLocked;           // hVolume holds the lock: only then is it dismounted at the end
    std::uint64_t u64Position;    // sequential writer position, in bytes
    std::uint64_t u64TotalSector; // u32TotalSector widened
    std::uint64_t u64PartSector;  // sectors of the file system (total less the partition start)
    std::uint32_t u32BytesPerSector;
    std::uint32_t u32HiddenSector; // partition start of the volume (0 without MBR)
    std::uint8_t u8SecPerClus;     // 0 = not chosen yet

    std::uint32_t u32FsType;
    std::string strLabel;
    std::string strSourcePath;
    std::string strImagePath;
    bool bCopySource;
    bool bWriteMBR;
    bool bDevice; // mode is not 0
    bool bRoundFatToCluster;
    std::uint32_t u32DevStartSector;
    std::uint32_t u32PartStart;
    // Bytes of the sectors that u32TotalSector counts (512 at reset): the sector writer's
    // target limit. The FAT builder and the NTFS formatter set their sector size; the ISO
    // builder keeps 512 while it writes 2048-byte blocks.
    std::uint32_t u32TargetSectorBytes;
    // Bytes of the sectors that u32DevStartSector counts (512 at reset): the sector writer's
    // device shift. Only the FAT builder counts the device start in its own sector size.
    std::uint32_t u32DevStartSectorBytes;

    // FAT layout.
    std::uint8_t u8RsvSector;
    std::uint32_t u32FatStart;      // FAT 1, in sectors from the target's start
    std::uint32_t u32FatSize;       // sectors of one FAT
    std::uint32_t u32Fat2Start;
    std::uint32_t u32FirstDataSector; // FAT16 root directory, FAT32 cluster 2
    std::uint32_t u32ClusterBytes;
    std::uint32_t u32ClusterCount;  // data clusters (cluster numbers 2 .. count + 1)
    std::uint32_t u32NextFreeCluster;
    std::vector<std::uint8_t> fat; // the FAT in memory while the source tree is copied

    std::uint8_t u8CreateWay;
    std::int32_t i32DriveOrDisk;
    std::uint8_t u8IoRetry;

    std::uint64_t u64NeededBytes; // progress denominator
    std::uint64_t u64DoneBytes;   // progress numerator
    std::uint8_t* pu8Progress;    // the caller's u8Progress
};

inline bool IsFat16(const FsBuildContext& ctx)
{
    return ctx.u32FsType == kFsTypeFat16;
}

inline bool IsFat32(const FsBuildContext& ctx)
{
    return ctx.u32FsType == kFsTypeFat32;
}

// Handles invalid, positions and sizes 0, 512-byte sectors, no cluster size, strings empty,
// flags and counters 0.
void ResetBuildContext(FsBuildContext& ctx);

// The progress byte is read by other threads while a build runs: every store is one atomic
// byte store, and it only ever rises during a build.
void StoreProgress(std::uint8_t& progress, std::uint8_t value);
std::uint8_t LoadProgress(std::uint8_t& progress);
