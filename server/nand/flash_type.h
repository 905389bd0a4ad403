// The flash type the NAND routines steer by, classified from the id bytes. Read as nibbles:
// maker group (1, 3, 5), die (0 single, 2 multi), cell (2 or 3), page-size class (2 or 4).
#pragma once

#include "platform/base/wintypes.h"

namespace nand {

// Never 0: an id that matches no row is 0x0022.
WORD JudgeFlashType(const BYTE id[5]);

inline bool IsType5030(DWORD type)
{
    return (type & 0xF0F0) == 0x5030;
}

inline bool IsThirdPageType(DWORD type) // 0x1030 and 0x5030 flash use a third of each block
{
    return (type & 0xF0F0) == 0x5030 || (type & 0xF0F0) == 0x1030;
}

} // namespace nand
