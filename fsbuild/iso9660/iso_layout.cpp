#include "fsbuild/iso9660/iso_layout.h"

#include "fsbuild/iso9660/iso_directory_records.h"
#include "fsbuild/iso9660/iso_path_table.h"

namespace iso9660 {
namespace {

class BlockAllocator {
public:
    std::uint32_t Allocate(std::uint64_t blocks)
    {
        std::uint64_t first = next_;
        next_ += blocks;
        return static_cast<std::uint32_t>(first); // beyond 32 bits the plan refuses the tree
    }
    std::uint64_t next() const { return next_; }

private:
    std::uint64_t next_ = 0;
};

// One tree's path-table order, numbering its directories.
std::vector<IsoNode*> DirectoriesBreadthFirst(IsoNode& root, IsoTreeKind tree)
{
    std::vector<IsoNode*> order{&root};
    root.NumbersIn(tree) = {1, 1};
    for (std::size_t i = 0; i < order.size(); ++i) {
        IsoNode& parent = *order[i];
        for (std::size_t child : parent.RecordOrderIn(tree)) {
            IsoNode& directory = parent.children[child];
            if (!directory.isDirectory)
                continue;
            order.push_back(&directory);
            directory.NumbersIn(tree) = {static_cast<std::uint16_t>(order.size()), static_cast<std::uint16_t>(i + 1)};
        }
    }
    return order;
}

void PlaceDirectory(BlockAllocator& blocks, IsoNode& directory, IsoTreeKind tree)
{
    IsoExtent& extent = directory.ExtentIn(tree);
    extent.size = DirectoryExtentSize(directory, tree);
    extent.block = blocks.Allocate(BlocksFor(extent.size));
}

// The files take their blocks as the walk of the tree meets them: in listing order, depth
// first, so a subfolder's files come before the files listed after that subfolder.
void PlaceFileData(BlockAllocator& blocks, IsoNode& directory, std::vector<const IsoNode*>& files)
{
    for (IsoNode& child : directory.children) {
        if (child.isDirectory) {
            PlaceFileData(blocks, child, files);
            continue;
        }
        child.data.size = static_cast<std::uint32_t>(child.size);
        // An empty file owns no block; it points at block 0 with length 0.
        child.data.block = child.size == 0 ? 0 : blocks.Allocate(BlocksFor(child.size));
        files.push_back(&child);
    }
}

} // namespace

IsoLayout LayOutImage(IsoNode& root)
{
    IsoLayout layout;
    layout.primaryDirectories = DirectoriesBreadthFirst(root, IsoTreeKind::Primary);
    layout.jolietDirectories = DirectoriesBreadthFirst(root, IsoTreeKind::Joliet);
    BlockAllocator blocks;
    blocks.Allocate(kSystemAreaBlocks + 3); // system area, two descriptors, terminator

    layout.primaryPathTable.size = PathTableSize(layout.primaryDirectories, IsoTreeKind::Primary);
    layout.primaryPathTable.block = blocks.Allocate(BlocksFor(layout.primaryPathTable.size));
    layout.jolietPathTable.size = PathTableSize(layout.jolietDirectories, IsoTreeKind::Joliet);
    layout.jolietPathTable.block = blocks.Allocate(BlocksFor(layout.jolietPathTable.size));
    for (IsoTreeKind tree : {IsoTreeKind::Primary, IsoTreeKind::Joliet})
        for (IsoNode* directory : layout.DirectoriesIn(tree))
            PlaceDirectory(blocks, *directory, tree);
    PlaceFileData(blocks, root, layout.files);
    layout.totalBlocks = blocks.next();
    return layout;
}

} // namespace iso9660
