// The formatter's picture of the new volume: its geometry, the cluster and MFT bitmaps,
// and where each system stream lies.
#pragma once

#include "fsbuild/ntfs/ntfs_options.h"
#include "fsbuild/ntfs/runlist.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ntfs {

constexpr std::uint32_t kSystemRecords = 27;
constexpr std::uint32_t kBootBytes = 8192;

struct NtfsVolume {
    std::uint32_t sectorSize = 0;
    std::int64_t volumeSectors = 0;    // the partition less the backup boot sector
    std::uint32_t clusterSize = 0;
    std::uint32_t mftRecordSize = 0;
    std::uint32_t indexRecordSize = 0;
    std::int64_t clusters = 0;         // N
    std::uint8_t majorVersion = 3;
    std::uint8_t minorVersion = 1;
    std::u16string label;
    std::vector<char16_t> upcase;
    std::vector<std::uint8_t> attrdef;
    std::vector<std::uint8_t> clusterBitmap;
    std::vector<std::uint8_t> mftBitmap;
    std::vector<std::uint8_t> mft;     // every record of the MFT's data
    std::int64_t mftSize = 0;          // bytes
    std::uint32_t mftMirrRecords = 0;
    std::int64_t logFileSize = 0;
    RunList mftBitmapRuns, mftRuns, mftMirrRuns, logFileRuns, bootRuns;
    std::int64_t mftLcn = 0, mftMirrLcn = 0, logFileLcn = 0, mftZoneEnd = 0;

    std::int64_t VolumeBytes() const { return volumeSectors * sectorSize; }
    std::int64_t ClustersFor(std::int64_t bytes) const { return (bytes + clusterSize - 1) / clusterSize; }
};

bool SetNtfsVolumeParams(NtfsVolume& volume, const NtfsOptions& options);
bool InitNtfsBitmaps(NtfsVolume& volume);
bool InitMftRunlists(NtfsVolume& volume);
bool InitLogFileRunlist(NtfsVolume& volume);
bool InitBootRunlist(NtfsVolume& volume);

// Takes free clusters for `bytes` from the end of the MFT zone on, wrapping to the start;
// false when the volume has too few.
bool AllocateClusters(NtfsVolume& volume, std::int64_t bytes, RunList& runs);

// Clusters per record as the boot sector stores it: the count, or −log2 of the record size.
std::int8_t ClustersPerRecordField(std::uint32_t recordSize, std::uint32_t clusterSize);

} // namespace ntfs
