// The shape of the NAND flash behind a simulated flash-drive controller: chip enables and
// channels (one path per pair), dies, planes, blocks per path, pages and their sizes, and
// the id bytes every channel answers with.
#pragma once

#include <array>
#include <cstdint>

namespace sim::nand {

struct NandGeometry {
    unsigned ceCount = 1;
    unsigned channelCount = 1;
    unsigned dies = 1;        // per CE
    unsigned planes = 2;
    unsigned blocks = 1024;   // block addresses per path, holes included
    // With both set, each die d spans blocks 2dB .. 2dB + B + E - 1 and the rest up to
    // 2(d + 1)B is a hole that does not exist.
    unsigned basicBlocks = 0;
    unsigned extendedBlocks = 0;
    unsigned pagesPerBlock = 64;
    unsigned pageBytes = 2048;
    unsigned spareBytes = 64;
    std::array<std::uint8_t, 5> id{0xEC, 0xDA, 0x10, 0x95, 0x44};

    unsigned paths() const { return ceCount * channelCount; }
    bool Exists(unsigned block) const
    {
        if (block >= blocks)
            return false;
        if (basicBlocks == 0 || extendedBlocks == 0)
            return true;
        return block % (2 * basicBlocks) < basicBlocks + extendedBlocks;
    }
};

// A row address as the host sends it: chip address ((CE << 4) | channel) in bits 24-31,
// block x pages per block + page below.
struct NandRow {
    unsigned ce = 0;
    unsigned channel = 0;
    unsigned block = 0;
    unsigned page = 0;
};

inline NandRow DecodeRow(std::uint32_t row, unsigned pagesPerBlock)
{
    const std::uint32_t within = row & 0xFFFFFF;
    return NandRow{row >> 28, row >> 24 & 0x0F, within / pagesPerBlock, within % pagesPerBlock};
}

} // namespace sim::nand
