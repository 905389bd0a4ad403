// Writes the listed source tree into a formatted FAT volume: directory clusters with
// long-name entries, the file data, and both FATs.
#pragma once

#include "fsbuild/core/build_context.h"
#include "fsbuild/core/source_tree.h"

#include <cstdint>
#include <vector>

// `data` is the 1 MiB file-copy buffer. Result 0, or FS_STATUS_TYPE_ERROR (FAT16 root
// over 512 entries), FS_STATUS_WRITE_FAIL, FS_STATUS_READ_FAIL (a source file cannot be
// read), FS_STATUS_SEEK_FAIL or FS_STATUS_NO_MEMORY.
int WriteImage(FsBuildContext& ctx, std::vector<std::uint8_t>& data, SourceEntry* tree);

// Directory entries a folder's listing takes (long-name entries and short entries).
std::uint64_t DirectorySlots(const SourceEntry* list);
