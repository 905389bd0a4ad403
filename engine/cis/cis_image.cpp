#include "engine/cis/cis_image.h"

#include <algorithm>
#include <bit>

namespace {

// Offsets of the fields that the device holds big-endian, beyond the checksum.
constexpr std::size_t kPart1Dwords[] = {16, 20, 24, 28, 32, 36, 40, 44, 56, 60};
constexpr std::size_t kPart2Words[] = {272, 274, 276, 280, 310, 312, 314};
constexpr std::size_t kPart2Dwords[] = {316, 384, 388, 392, 396};

void Reverse(BYTE* field, std::size_t size)
{
    if constexpr (std::endian::native == std::endian::little)
        std::reverse(field, field + size);
}

} // namespace

WORD CisChecksum(std::span<const BYTE, cis::kPart1Size> part1)
{
    WORD sum = 0;
    for (std::size_t at = 2; at < cis::kPart1Size; at += 2)
        sum = static_cast<WORD>(sum + (part1[at] << 8 | part1[at + 1]));
    return static_cast<WORD>(-sum);
}

void StoreCisChecksum(std::span<BYTE, cis::kPart1Size> part1)
{
    WORD checksum = CisChecksum(part1);
    part1[cis::kChecksum] = static_cast<BYTE>(checksum >> 8);
    part1[cis::kChecksum + 1] = static_cast<BYTE>(checksum);
}

void CisPart1ToBigEndian(std::span<BYTE, cis::kPart1Size> part1)
{
    for (std::size_t offset : kPart1Dwords)
        Reverse(part1.data() + offset, 4);
}

void CisPart2ToBigEndian(std::span<BYTE, cis::kPart2Size> part2)
{
    for (std::size_t offset : kPart2Words)
        Reverse(part2.data() + offset - cis::kPart1Size, 2);
    for (std::size_t offset : kPart2Dwords)
        Reverse(part2.data() + offset - cis::kPart1Size, 4);
}

void StoreLowBytes(BYTE* field, std::size_t fieldSize, std::u16string_view text)
{
    std::size_t take = std::min(fieldSize, text.size());
    for (std::size_t i = 0; i < take; ++i)
        field[i] = static_cast<BYTE>(text[i] & 0xFF);
    std::fill(field + take, field + fieldSize, BYTE{0});
}
