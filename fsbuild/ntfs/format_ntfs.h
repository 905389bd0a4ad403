// The NTFS formatter: lays an empty NTFS 3.1 volume onto the device the options name.
#pragma once

#include "fsbuild/ntfs/ntfs_options.h"

#include <cstddef>
#include <string_view>

namespace ntfs {

// $VOLUME_NAME holds at most 128 UTF-16 units.
constexpr std::size_t kMaxLabelUnits = 128;
bool NtfsLabelFits(std::string_view ansiLabel);

// Whether the options make a volume (label, sizes, cluster size, room for the system
// files): the whole layout is built in memory, nothing is written.
bool NtfsLayoutFits(const NtfsOptions& options);

// 0 on success, non-zero on failure (the reason is in the debug log).
int FormatNTFS(const NtfsOptions& options);

} // namespace ntfs
