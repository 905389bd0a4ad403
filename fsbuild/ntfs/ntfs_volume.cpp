#include "fsbuild/ntfs/ntfs_volume.h"

#include "fsbuild/core/cluster_tables.h"
#include "platform/debug/debug.h"

#include <algorithm>
#include <bit>

namespace ntfs {
namespace {

constexpr std::int64_t KiB = 1024;
constexpr std::int64_t MiB = 1024 * KiB;
constexpr std::int64_t GiB = 1024 * MiB;
constexpr std::int64_t kMinimumVolume = 1 * MiB;
constexpr std::int64_t kMaximumCluster = 65536;
constexpr std::int64_t kMinimumLog = 256 * KiB;
constexpr std::int64_t kMftLowestByte = 16384;
constexpr std::uint32_t kMftRecordSize = 1024;
constexpr std::uint32_t kIndexRecordSize = 4096;

bool IsUsed(const NtfsVolume& volume, std::int64_t lcn)
{
    return (volume.clusterBitmap[lcn / 8] >> (lcn % 8)) & 1;
}

void SetUsed(NtfsVolume& volume, std::int64_t lcn)
{
    volume.clusterBitmap[lcn / 8] |= static_cast<std::uint8_t>(1u << (lcn % 8));
}

// Marks a run used; false when it runs past the volume or onto a used cluster.
bool MarkRun(NtfsVolume& volume, const Run& run, const char* what)
{
    if (run.lcn < 0 || run.length <= 0 || run.lcn + run.length > volume.clusters) {
        platform::DebugPrintf("NTFS: %s does not fit the volume", what);
        return false;
    }
    for (std::int64_t lcn = run.lcn; lcn < run.lcn + run.length; ++lcn) {
        if (IsUsed(volume, lcn)) {
            platform::DebugPrintf("NTFS: %s overlaps cluster %lld", what, static_cast<long long>(lcn));
            return false;
        }
        SetUsed(volume, lcn);
    }
    return true;
}

std::int64_t RoundUp(std::int64_t value, std::int64_t unit)
{
    return (value + unit - 1) / unit * unit;
}

std::int64_t DefaultLogSize(std::int64_t volumeBytes, std::int64_t clusterSize)
{
    if (volumeBytes < 2 * MiB)
        return 256 * KiB;
    if (volumeBytes < 4000000)
        return 512 * KiB;
    if (volumeBytes <= 200 * MiB)
        return 2 * MiB;
    if (volumeBytes < 12 * GiB)
        return volumeBytes / 200 / clusterSize * clusterSize;
    return 64 * MiB;
}

} // namespace

bool SetNtfsVolumeParams(NtfsVolume& volume, const NtfsOptions& options)
{
    std::int64_t sectorSize = options.sectorSize;
    if (sectorSize < 512 || sectorSize > 4096 || !std::has_single_bit(static_cast<std::uint64_t>(sectorSize))) {
        platform::DebugPrintf("NTFS: sector size %lld is not supported", static_cast<long long>(sectorSize));
        return false;
    }
    volume.sectorSize = static_cast<std::uint32_t>(sectorSize);
    volume.volumeSectors = options.sectors - 1; // the last sector keeps the backup boot sector
    std::int64_t bytes = volume.VolumeBytes();
    if (bytes < kMinimumVolume) {
        platform::DebugPrintf("NTFS: %lld bytes are too few for a volume", static_cast<long long>(bytes));
        return false;
    }
    std::int64_t cluster = options.clusterSize;
    if (cluster <= 0) {
        cluster = std::max<std::int64_t>(ClusterSizeFor(kNtfsClusterTable, static_cast<std::uint64_t>(volume.volumeSectors)), 1) * sectorSize;
        while (bytes / cluster > 0xFFFFFFFFll && cluster <= kMaximumCluster)
            cluster *= 2;
    }
    if (!std::has_single_bit(static_cast<std::uint64_t>(cluster)) || cluster < sectorSize || cluster > 128 * sectorSize ||
        cluster > kMaximumCluster || bytes / cluster > 0xFFFFFFFFll) {
        platform::DebugPrintf("NTFS: cluster size %lld is not usable here", static_cast<long long>(cluster));
        return false;
    }
    volume.clusterSize = static_cast<std::uint32_t>(cluster);
    volume.clusters = bytes / cluster;
    volume.mftRecordSize = std::max(kMftRecordSize, volume.sectorSize);
    volume.indexRecordSize = std::max(kIndexRecordSize, volume.sectorSize);
    return true;
}

bool InitNtfsBitmaps(NtfsVolume& volume)
{
    auto bitmapBytes = static_cast<std::size_t>(RoundUp((volume.clusters + 7) / 8, 8));
    volume.clusterBitmap.assign(bitmapBytes, 0);
    for (auto lcn = static_cast<std::int64_t>(volume.clusters); lcn < static_cast<std::int64_t>(bitmapBytes * 8); ++lcn)
        SetUsed(volume, lcn);
    volume.mftSize = std::max<std::int64_t>(std::int64_t{kSystemRecords} * volume.mftRecordSize, volume.clusterSize);
    std::int64_t records = volume.mftSize / volume.mftRecordSize;
    volume.mftBitmap.assign(static_cast<std::size_t>(RoundUp((records + 7) / 8, 8)), 0);
    volume.mftBitmapRuns = {{volume.ClustersFor(kBootBytes), 1}};
    return MarkRun(volume, volume.mftBitmapRuns[0], "the MFT bitmap");
}

bool InitMftRunlists(NtfsVolume& volume)
{
    volume.mftLcn = std::max(volume.mftBitmapRuns[0].lcn + 1, volume.ClustersFor(kMftLowestByte));
    volume.mftZoneEnd = volume.mftLcn + volume.clusters / 8;
    volume.mftRuns = {{volume.mftLcn, volume.ClustersFor(volume.mftSize)}};
    if (!MarkRun(volume, volume.mftRuns[0], "$MFT"))
        return false;
    volume.mftMirrLcn = volume.VolumeBytes() / 2 / volume.clusterSize;
    volume.mftMirrRuns = {{volume.mftMirrLcn, volume.ClustersFor(4 * std::int64_t{volume.mftRecordSize})}};
    volume.mftMirrRecords = static_cast<std::uint32_t>(volume.mftMirrRuns[0].length * volume.clusterSize /
                                                       volume.mftRecordSize);
    volume.logFileLcn = volume.mftMirrLcn + volume.mftMirrRuns[0].length;
    return MarkRun(volume, volume.mftMirrRuns[0], "$MFTMirr");
}

bool InitLogFileRunlist(NtfsVolume& volume)
{
    std::int64_t size = DefaultLogSize(volume.clusters * volume.clusterSize, volume.clusterSize);
    while (size > 0 && volume.logFileLcn + volume.ClustersFor(size) > volume.clusters)
        size /= 2;
    size = RoundUp(size, volume.clusterSize);
    if (size < kMinimumLog) {
        platform::DebugPrintf("NTFS: no room for the log file");
        return false;
    }
    volume.logFileSize = size;
    volume.logFileRuns = {{volume.logFileLcn, size / volume.clusterSize}};
    return MarkRun(volume, volume.logFileRuns[0], "$LogFile");
}

bool InitBootRunlist(NtfsVolume& volume)
{
    volume.bootRuns = {{0, volume.ClustersFor(kBootBytes)}};
    return MarkRun(volume, volume.bootRuns[0], "$Boot");
}

bool AllocateClusters(NtfsVolume& volume, std::int64_t bytes, RunList& runs)
{
    std::int64_t wanted = volume.ClustersFor(bytes);
    std::int64_t start = volume.mftZoneEnd < volume.clusters ? volume.mftZoneEnd : 0;
    runs.clear();
    for (std::int64_t step = 0; step < volume.clusters && wanted > 0; ++step) {
        std::int64_t lcn = (start + step) % volume.clusters;
        if (IsUsed(volume, lcn))
            continue;
        SetUsed(volume, lcn);
        --wanted;
        if (!runs.empty() && runs.back().lcn + runs.back().length == lcn)
            ++runs.back().length;
        else
            runs.push_back({lcn, 1});
    }
    if (wanted > 0) {
        platform::DebugPrintf("NTFS: the volume is too small for its system files");
        return false;
    }
    return true;
}

std::int8_t ClustersPerRecordField(std::uint32_t recordSize, std::uint32_t clusterSize)
{
    if (recordSize >= clusterSize)
        return static_cast<std::int8_t>(recordSize / clusterSize);
    return static_cast<std::int8_t>(-std::countr_zero(recordSize));
}

} // namespace ntfs
