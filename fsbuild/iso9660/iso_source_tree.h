// The listed source folder as the ISO builder sees it.
#pragma once

#include "fsbuild/core/source_tree.h"
#include "fsbuild/iso9660/iso_tree.h"

namespace iso9660 {

// The root directory holding the listed entries (nullptr for an empty folder), each with
// its primary name (unique in its folder) and Joliet name and its creation time as the
// recording date.
void BuildIsoTree(const SourceEntry* first, IsoNode& root);

} // namespace iso9660
