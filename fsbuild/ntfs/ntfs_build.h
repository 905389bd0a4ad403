// The dispatcher's NTFS branch: label, room, the format, then the copy of the source folder
// onto the mounted new volume.
#pragma once

#include "fsbuild/core/build_context.h"

#include <cstdint>

// Result: the status for the caller (0, 1, 34 or 35); progress 100 on success.
std::int32_t RunNtfsBuild(FsBuildContext& ctx);
