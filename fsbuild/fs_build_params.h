// The packed build request that callers hand to the image builder's exports.
// Offsets 0..29 are those of the 32-bit block; the three text pointers are 8 bytes here.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
struct FsBuildParams {
    std::int32_t i32Status;         // 0   out: final status code
    std::uint8_t u8Progress;        // 4   out: 0..100, read by other threads while a build runs
    std::int32_t i32DriveOrDisk;    // 5   drive letter (mode 1) or physical disk number (modes 2, 3)
    std::uint8_t u8IoRetry;         // 9   further attempts after a failed transfer (validation sets 5)
    std::uint8_t m1B_CreateWay;     // 10  0 image file, 1 drive, 2 physical disk, 3 disk without dismount
    std::uint32_t u32PartStart;     // 11  sectors before the partition when an MBR is written (0 = 32)
    std::uint8_t u8BS_RsvSector;    // 15  reserved sectors of a FAT volume (0 = 32, 1..8 -> 9)
    std::uint8_t u8ClusterExp;      // 16  bits 0-6 sectors-per-cluster exponent (0 = auto); bit 7 round FAT size
    std::uint8_t u8FsType;          // 17  bits 0-3 type (1 FAT16, 2 FAT32, 3 ISO9660, 4 NTFS); bit 6 copy; bit 7 MBR
    std::uint32_t u32DevStartSector; // 18 start of the built area inside the target, in sectors
    std::uint32_t u32TotalSector;   // 22  size of the target in sectors
    std::int32_t i32BytesPerSector; // 26  sector size
    const char* pszLabel;           // 30  volume label, ANSI, may be null
    const char* pszSourcePath;      // 38  source folder, ANSI
    const char* pszImagePath;       // 46  image file to create (mode 0)
};
#pragma pack(pop)

static_assert(sizeof(FsBuildParams) == 54, "FsBuildParams keeps its packed layout");
