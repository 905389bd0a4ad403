// The NTFS branch of a build: the target opened, the master boot record when asked, then
// the formatter on the partition area.
#pragma once

#include "fsbuild/ntfs/ntfs_options.h"
#include "platform/base/wintypes.h"

struct FsBuildContext;

namespace ntfs {

// FALSE on success, TRUE on failure (the reason is in the debug log).
BOOL CreateNTFSImage(NtfsOptions& options, FsBuildContext& ctx);

// The master boot record with one NTFS partition. 0, or non-zero when NTFS has no cluster
// size at this size ("Can not use NTFS") or the write failed.
int WriteMBRNTFS(FsBuildContext& ctx);

} // namespace ntfs
