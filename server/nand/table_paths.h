// The paths a system-table build takes blocks from, each with its cursor through its part
// of the bitmap. In the die split (two dies per CE built as two CEs) the paths are doubled:
// the first half takes the lower half of each bitmap, the second half the upper half, and
// every command still goes to the real CE and channel. Blocks handed out are taken in the
// map, so nothing is ever handed out twice.
#pragma once

#include "portwarden/flash_params.h"
#include "server/nand/block_cursor.h"
#include "server/nand/block_map.h"
#include "server/nand/nand_port.h"

#include <optional>
#include <vector>

namespace nand {

struct TablePath {
    int real;    // path of the port's map
    int ce, channel;
    BYTE chip;   // chip address of the real path
    long first;  // the part of the bitmap this path takes blocks from
    long end;
};

constexpr int kNoPath = 255;

class TablePaths {
public:
    TablePaths(PortMap& map, bool dieSplit);

    int count() const { return static_cast<int>(paths_.size()); }
    int ceCount() const { return dieSplit_ ? 2 * map_.ceCount() : map_.ceCount(); }
    bool dieSplit() const { return dieSplit_; }
    const TablePath& at(int path) const { return paths_[path]; }
    BlockCursor& cursor(int path) { return cursors_[path]; }
    const std::vector<BlockCursor>& cursors() const { return cursors_; }
    PortMap& map() { return map_; }

    bool UsedUp(int path) const { return cursors_[path].position >= paths_[path].end; }
    // The cursor stands in the last byte of its part (the build stops there).
    bool NearEnd(int path) const { return cursors_[path].position >= paths_[path].end - 8; }
    // The next free block from the cursor, taken and counted; the cursor moves past it.
    std::optional<long> TakeNext(int path);
    // The next free group of `size` blocks (2 or 4) on a multiple of `size`, taken and
    // counted; the cursor moves past it.
    std::optional<long> TakeGroup(int path, int size);
    // Among the paths not used up, the one with the fewest bad blocks (the lower on a tie).
    int Choose() const;
    int BadBlocks(int path) const { return map_.Counter(paths_[path].real); }
    void CountBad(int path, int added = 1) { map_.Count(paths_[path].real, added); }

private:
    PortMap& map_;
    bool dieSplit_;
    std::vector<TablePath> paths_;
    std::vector<BlockCursor> cursors_;
};

// For 0x5030 flash a chosen odd path becomes the even path below.
int PatchBadColumn(int path, DWORD flashType);

// Table blocks on one path for the one-plane tables: the next two blocks that pass the
// stress test (in the cursor's pair); on a used-up path the search goes on on the next
// path chosen. More than 5 failed tests fail it. `moveOn` false keeps it to its path.
bool SearchTablePair(const NandPort& port, const UFDFlashParams& params, TablePaths& paths, int& path,
                     bool moveOn = true);
// The same for the two-plane tables: a group of two (four with four planes) whose first
// block, and unless 0x5030 its second, pass; the group start goes into the cursor's pair.
bool SearchTableGroup(const NandPort& port, const UFDFlashParams& params, TablePaths& paths, int& path, int size,
                      bool moveOn = true);

} // namespace nand
