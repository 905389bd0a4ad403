// The dispatcher's ISO9660 branch: label, room and tree checks, then the builder.
#pragma once

#include "fsbuild/core/build_context.h"
#include "fsbuild/core/source_tree.h"

#include <cstdint>

// Result: the status for the caller: 0 (progress 100), 33 (the builder failed), 34 (label of
// 33 characters or more) or 35 (the tree cannot be built in the target; nothing written).
std::int32_t RunIsoBuild(FsBuildContext& ctx, const SourceEntry* tree);
