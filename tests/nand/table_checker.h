// An independent reader of the system tables a build left on the simulated flash, written
// from the table layouts alone: it finds the WCT by its tag, follows the TAT_A entries to
// the TAT pages and those to the LFT pages, reads every block number big-endian, and
// reports what does not hold: a missing or wrongly tagged page, a fixed TAT_A entry that
// is not as laid down, an LFT block that is bad or used twice or also holds a table.
#pragma once

#include "sim/nand/nand_controller.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nandtest {

struct TableFacts {
    std::vector<std::string> problems;
    std::uint16_t wctBlock = 0xFFFF;
    std::array<std::array<std::uint8_t, 4>, 64> tatA{}; // as on the flash
    unsigned tatPages = 0;
    unsigned lftPages = 0;
    unsigned lftBlocks = 0;                 // block numbers in the LFT pages
    std::vector<std::uint16_t> lft;         // every word of the LFT pages, page after page
    std::vector<std::uint16_t> freeList;    // the WCT's free list, 0xFFFF included
    std::vector<std::uint8_t> tableChips;   // the chip address of every TAT, LFT and extended-WCT block named
    bool extended = false;
};

struct TableLayout {
    bool onePlane;           // two words a path a VB, two TAT entries an LFT page
    unsigned planes;         // blocks of a two-plane group
    std::array<std::uint8_t, 4> eraseCount; // UFDFlashParams bytes 31..34
    // One-plane flash with four-block groups (Toshiba ids whose byte 2 has low nibble 8):
    // the free list's first words are the reserved groups, one start a path a round.
    unsigned reservedGroupWords = 0;
};

// `part2`: the CIS part 2 as the build filled it (host order, bytes 26..29 big-endian).
TableFacts CheckTables(const sim::nand::NandController& flash, const std::uint8_t* part2, const TableLayout& layout);

} // namespace nandtest
