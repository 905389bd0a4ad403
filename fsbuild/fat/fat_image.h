// The FAT16 and FAT32 builders: open the target, write the master boot record when asked,
// format, copy the source tree, finish the target.
#pragma once

#include "fsbuild/core/build_context.h"
#include "fsbuild/core/source_tree.h"

// Result: 0, or a builder code (FS_STATUS_...).
int CreateFAT16Image(FsBuildContext& ctx, SourceEntry* tree);
int CreateFAT32Image(FsBuildContext& ctx, SourceEntry* tree);

// The master boot record of a FAT build, at sector 0. Result: 0, FS_STATUS_TYPE_ERROR or
// FS_STATUS_WRITE_FAIL.
int WriteMBR(FsBuildContext& ctx);
