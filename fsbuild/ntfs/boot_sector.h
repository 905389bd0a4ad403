// The NTFS boot sector, first sector of $Boot and copied into the volume's last sector.
#pragma once

#include "fsbuild/ntfs/ntfs_volume.h"
#include "fsbuild/ntfs/on_disk.h"

#include <cstdint>

namespace ntfs {

BootSector BuildBootSector(const NtfsVolume& volume, std::uint32_t hiddenSectors, std::uint64_t serialNumber);

} // namespace ntfs
