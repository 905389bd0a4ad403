// What the NTFS branch of a build hands to the formatter.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ntfs {

// How the block-device layer reaches the build's target besides its name.
struct NtfsDeviceIo {
    std::uint64_t startOffset = 0;   // u32DevStartSector × 512, added to every position
    std::uint8_t retries = 0;        // further attempts of a failed piece
    std::function<void(std::uint64_t bytes)> progress; // each written piece
};

// Unset numbers are −1.
struct NtfsOptions {
    std::string deviceName;          // the image path, or "\\.\PhysicalDrive%d"
    std::int64_t sectorSize = -1;
    std::int64_t sectors = -1;       // of the partition, the backup boot sector included
    std::int64_t hiddenSectors = -1; // partition start, in sectors of sectorSize
    std::int64_t clusterSize = -1;   // −1: chosen from the size
    std::string label;               // ANSI
    NtfsDeviceIo io;
};

} // namespace ntfs
