// Copies the source files' contents into the image.
#pragma once

#include "fsbuild/iso9660/iso_block_stream.h"
#include "fsbuild/iso9660/iso_tree.h"

namespace iso9660 {

// Puts exactly the listed size of the file, padded with zeros to whole blocks, so that a
// file that changed since the listing can never spill into its neighbour's extent.
// Result: 0, FS_STATUS_READ_FAIL (cannot be opened, or shorter than listed) or
// FS_STATUS_WRITE_FAIL.
int WriteIsoFileData(IsoBlockStream& out, const IsoNode& file);

} // namespace iso9660
