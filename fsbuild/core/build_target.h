// Opening and finishing the target of a FAT or ISO build (the NTFS formatter opens its
// own through the block-device layer).
#pragma once

#include "fsbuild/core/build_context.h"

// Mode 0: the image file, created anew. Mode 1: the drive's volume and the physical drive
// behind it. Modes 2 and 3: the disk's volume (when `lockDiskVolume`) and the disk. A
// volume that is found must be locked: raw sectors are never written under a volume that
// may be in use, and the built area must lie on the device. Result: 0,
// FS_STATUS_IMAGEPATH_ERROR (the image file cannot be created) or FS_STATUS_WRITE_FAIL (a
// device cannot be opened, its volume not locked, or it is too small). The handles
// go into the context; the end-of-build sequence closes them.
int OpenBuildTarget(FsBuildContext& ctx, bool lockDiskVolume);

// After the last write: an image file gets the full length of the target (the sectors
// never written read as zeros) and the target is flushed once. Result: 0 or
// FS_STATUS_WRITE_FAIL.
int FinishBuildTarget(FsBuildContext& ctx);
