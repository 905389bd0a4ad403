#include "server/nand/flash_type.h"

namespace nand {
namespace {

// The cell nibble and the page-size nibble, or 0 when the bytes match none.
WORD CellAndPage(BYTE cellBits, BYTE pageBits, BYTE small, BYTE large)
{
    const WORD cell = cellBits == 4 ? 0x20 : cellBits == 8 ? 0x30 : 0;
    const WORD page = pageBits == small ? 2 : pageBits == large ? 4 : 0;
    return cell != 0 && page != 0 ? static_cast<WORD>(cell | page) : 0;
}

WORD Samsung(const BYTE id[5])
{
    const BYTE c2 = id[2], c3 = id[3], c4 = id[4];
    if (id[1] == 0xDE && ((c2 == 0x95 && c3 == 0x76 && c4 == 0x68) || (c2 == 0xD5 && c3 == 0x7A && c4 == 0x58)))
        return 0x1222;
    const WORD low = CellAndPage(c2 & 0x0C, c4 & 0x0E, 4, 8);
    if (low == 0)
        return 0;
    return static_cast<WORD>(((c2 & 3) != 0 ? 0x1200 : 0x1000) | low);
}

WORD Micron(const BYTE id[5])
{
    const BYTE c2 = id[2], c4 = id[4];
    const WORD low = CellAndPage(c2 & 0x0C, c4 & 3, 1, 2);
    if (low == 0)
        return 0;
    return static_cast<WORD>(((c2 & 3) != 0 ? 0x3200 : 0x3000) | low);
}

WORD Toshiba(const BYTE id[5])
{
    const BYTE code = id[2] & 0x0F, c4 = id[4] & 0x0C;
    struct Row {
        BYTE code, small, large;
        WORD type;
    };
    static constexpr Row rows[] = {
        {4, 4, 8, 0x5020}, {5, 8, 0x0C, 0x5220}, {8, 0, 4, 0x5030}, {9, 4, 8, 0x5230}};
    for (const Row& row : rows)
        if (code == row.code && (c4 == row.small || c4 == row.large))
            return static_cast<WORD>(row.type | (c4 == row.small ? 2 : 4));
    return 0;
}

} // namespace

WORD JudgeFlashType(const BYTE id[5])
{
    WORD type = 0;
    switch (id[0]) {
    case 0xEC: type = Samsung(id); break;
    case 0x2C: type = Micron(id); break;
    case 0x98:
    case 0x45: type = Toshiba(id); break;
    default: break;
    }
    return type != 0 ? type : 0x0022;
}

} // namespace nand
