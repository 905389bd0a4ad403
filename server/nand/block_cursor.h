// A path's cursor through its bitmap: the next candidate block, and the two blocks of the
// last pair found there for a table.
#pragma once

#include "platform/base/wintypes.h"

#include <array>

namespace nand {

struct BlockCursor {
    long position = 0; // next candidate block; at or past the bitmap's end the path is used up
    std::array<long, 2> pair{-1, -1};

    // As the cursor dump shows it: byte index, and bit 0..7 or 8 once the bitmap is used up.
    INT byteIndex(long blocks) const { return static_cast<INT>(position >= blocks ? blocks / 8 - 1 : position / 8); }
    BYTE bit(long blocks) const { return static_cast<BYTE>(position >= blocks ? 8 : position % 8); }
};

} // namespace nand
