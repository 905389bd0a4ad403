// The system files of a new volume: their MFT records in the volume's MFT buffer, and the
// streams they own, with clusters taken for each.
#pragma once

#include "fsbuild/ntfs/ntfs_volume.h"
#include "fsbuild/ntfs/on_disk.h"
#include "fsbuild/ntfs/pending_write.h"

#include <cstdint>
#include <vector>

namespace ntfs {

struct FormatStamp {
    std::int64_t ntfsTime;      // 100 ns since 1601
    std::uint32_t hiddenSectors;
    std::uint64_t serialNumber;
};

struct SystemStreams {
    std::vector<PendingWrite> writes; // in the order the files are added
    BootSector bootSector;
    RunList bitmapRuns;               // $Bitmap's data, written once every cluster is taken
};

bool CreateNTFSRootStructures(NtfsVolume& volume, const FormatStamp& stamp, SystemStreams& streams);

} // namespace ntfs
