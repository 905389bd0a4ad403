// Flash block map: these four write no entry line.
#include "server/shell/base_api.h"

#include "server/nand/block_map.h"

UFDBlockMap* CBaseAPI::CreateUFDBlockMap(BYTE portCount, BYTE ceCount, BYTE channelCount, INT bitmapBytes)
{
    return nand::CreateBlockMap(portCount, ceCount, channelCount, bitmapBytes);
}

INT CBaseAPI::DeleteUFDBlockMap(UFDBlockMap* map)
{
    nand::DeleteBlockMap(map);
    return 1;
}

INT CBaseAPI::SetUFDBlockMap(UFDPortBlockMap* map, BYTE ce, BYTE channel, INT byteIndex, BYTE bit, INT value)
{
    nand::SetBlockBit(map, ce, channel, byteIndex, bit, value);
    return 1;
}

BYTE CBaseAPI::GetUFDBlockMap(UFDPortBlockMap* map, BYTE ce, BYTE channel, INT byteIndex, BYTE bit)
{
    return nand::GetBlockBit(map, ce, channel, byteIndex, bit);
}
