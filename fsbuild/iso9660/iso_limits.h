// What the volume's fields can hold, checked over the whole tree before anything is
// written: a file's extent length is 32 bits and a path-table parent number 16 bits; and
// names cut to the Joliet limit must stay unique in their folder.
#pragma once

#include "fsbuild/iso9660/iso_tree.h"

#include <string>

namespace iso9660 {

// Empty when the tree can be built; else a line naming the first entry that cannot.
std::string CheckTreeLimits(const IsoNode& root);

} // namespace iso9660
