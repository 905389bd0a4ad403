// The MLC and TLC sorting that build mode 8 runs in place of the CIS/ISP search: every
// block is programmed through the controller's virtual-block engine and graded by its
// bit-error count; failing blocks are marked bad on the flash and in the map, and the
// found-block list is filled from the blocks left good.
#pragma once

#include "server/nand/block_search.h"

namespace nand {

// MLC sorting when (flash type & 0xF0) is 0x20, else TLC sorting.
bool SortFlash(SearchTarget& target, int wanted);

} // namespace nand
