// Where every structure of the image goes. Blocks are handed out in increasing order,
// so the order of allocation is the layout: 16 system blocks, the primary and Joliet
// descriptors and the terminator, the two path tables, the primary root and directories,
// the Joliet root and directories, then the file data in depth-first listing order.
// Only a next-block counter is kept: nothing is ever freed or reused.
#pragma once

#include "fsbuild/iso9660/iso_tree.h"

#include <cstdint>
#include <vector>

namespace iso9660 {

constexpr std::uint32_t kSystemAreaBlocks = 16;
constexpr std::uint32_t kPrimaryDescriptorBlock = 16;
constexpr std::uint32_t kJolietDescriptorBlock = 17;
constexpr std::uint32_t kTerminatorBlock = 18;

struct IsoLayout {
    std::vector<IsoNode*> directories; // path-table order: the root, then breadth first
    std::vector<const IsoNode*> files; // every file, in the order of its data
    IsoExtent primaryPathTable;
    IsoExtent jolietPathTable;
    std::uint32_t totalBlocks = 0; // the volume space size
};

// Numbers the directories, sizes their extents and places everything; fills the
// nodes' extents. The tree must be within the limits of CheckTreeLimits.
IsoLayout LayOutImage(IsoNode& root);

} // namespace iso9660
