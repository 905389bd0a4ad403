// The size rules the NTFS branch shares with the build's dispatcher.
#pragma once

#include <cstdint>

namespace ntfs {

// Sectors per cluster for a volume of `sectors` sectors; 0 where NTFS is not meant to be used.
std::uint32_t NtfsSectorsPerCluster(std::uint64_t sectors);

// Bytes the format writes on a target of `sectors` sectors, the progress denominator.
std::uint64_t NtfsMetadataBytes(std::uint64_t sectors);

} // namespace ntfs
