#include "engine/datablocks/block_compare.h"

#include <bit>

int CountBits(DWORD value)
{
    return std::popcount(value);
}

std::size_t CountDifferingBits(std::span<const BYTE> written, std::span<const BYTE> readBack)
{
    std::size_t bits = 0;
    for (std::size_t i = 0; i < written.size() && i < readBack.size(); ++i)
        bits += static_cast<std::size_t>(CountBits(static_cast<DWORD>(written[i] ^ readBack[i])));
    return bits;
}

std::size_t ReadBackThreshold(DWORD lunTypeBitMap)
{
    return (lunTypeBitMap >> 16) & 0x0F;
}
