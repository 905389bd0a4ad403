// The little-endian path table of one tree: one record per directory in that tree's
// path-table order (IsoLayout), naming each directory's extent and parent.
#pragma once

#include "fsbuild/iso9660/iso_tree.h"

#include <cstdint>
#include <vector>

namespace iso9660 {

// Bytes of the table (not rounded to blocks).
std::uint32_t PathTableSize(const std::vector<IsoNode*>& directories, IsoTreeKind tree);

// The table's bytes, PathTableSize long. Extents and numbers come from the layout.
std::vector<std::uint8_t> BuildPathTable(const std::vector<IsoNode*>& directories, IsoTreeKind tree);

} // namespace iso9660
