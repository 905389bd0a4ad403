// The NTFS branch of a build: the target opened, the master boot record when asked, then
// the formatter on the partition area.
#pragma once

#include "fsbuild/ntfs/ntfs_options.h"
#include "platform/base/wintypes.h"

struct FsBuildContext;

namespace ntfs {

// FALSE on success, TRUE on failure (the reason is in the debug log).
BOOL CreateNTFSImage(NtfsOptions& options, FsBuildContext& ctx);

// The master boot record with one NTFS partition (the caller has checked that the NTFS
// cluster table covers the size). 0, or FS_STATUS_WRITE_FAIL.
int WriteMBRNTFS(FsBuildContext& ctx);

} // namespace ntfs
