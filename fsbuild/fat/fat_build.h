// The dispatcher's FAT16/FAT32 branch: cluster size, label, room check and the builder.
#pragma once

#include "fsbuild/core/build_context.h"
#include "fsbuild/core/source_tree.h"

#include <cstdint>

// Result: the status for the caller (0, 32, 34 or 35); progress 100 on success.
std::int32_t RunFatBuild(FsBuildContext& ctx, SourceEntry* tree);
