// The NTFS cluster table: sectors per cluster by the volume's sector count.
#pragma once

#include <cstdint>

namespace ntfs {

// 0 where the table holds no size (NTFS is not meant for that many sectors).
std::uint32_t NtfsSectorsPerCluster(std::uint64_t sectors);

} // namespace ntfs
