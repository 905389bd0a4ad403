// The NTFS formatter: lays an empty NTFS 3.1 volume onto the device the options name.
#pragma once

#include "fsbuild/ntfs/ntfs_options.h"

namespace ntfs {

// 0 on success, non-zero on failure (the reason is in the debug log).
int FormatNTFS(const NtfsOptions& options);

} // namespace ntfs
