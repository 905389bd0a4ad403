// Where every structure of the image goes. Blocks are handed out in increasing order,
// so the order of allocation is the layout: 16 system blocks, the primary and Joliet
// descriptors and the terminator, the two path tables, the primary root and directories
// and the Joliet root and directories (each tree's in its path-table order), then the file
// data in depth-first listing order. Only a next-block counter is kept: nothing is ever
// freed or reused.
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
    // Each tree's path-table order: the root, then level by level, the subfolders of each
    // parent (in the parents' order) by ascending identifier.
    std::vector<IsoNode*> primaryDirectories;
    std::vector<IsoNode*> jolietDirectories;
    std::vector<const IsoNode*> files; // every file, in the order of its data
    IsoExtent primaryPathTable;
    IsoExtent jolietPathTable;
    // The volume space size; counted wide, so that a tree too large for the 32-bit fields
    // is seen as too large rather than wrapping round.
    std::uint64_t totalBlocks = 0;

    const std::vector<IsoNode*>& DirectoriesIn(IsoTreeKind tree) const
    {
        return tree == IsoTreeKind::Primary ? primaryDirectories : jolietDirectories;
    }
};

// Numbers the directories, sizes their extents and places everything; fills the
// nodes' extents. The tree must be within the limits of CheckTreeLimits.
IsoLayout LayOutImage(IsoNode& root);

} // namespace iso9660
