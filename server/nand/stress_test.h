// The block stress test: a block is erased, filled with random bytes in chunks of pages,
// read back chunk by chunk and erased again; a chunk whose read-back differs in more bits
// per KiB than the ECC limit fails the block. In fallback mode (status bit 2) the test
// refuses the block that holds the bad-block information and marks failing blocks bad.
#pragma once

#include <algorithm>

#include "portwarden/flash_params.h"
#include "server/nand/nand_port.h"

#include <optional>
#include <span>

namespace nand {

// How a block is filled with a pattern: chunks of pages, each one request of at most 64 KiB,
// none past the block's end (or past a third of the block on 0x1030 and 0x5030 flash).
struct ChunkPlan {
    std::size_t pageBytes = 0;
    unsigned chunkPages = 0;
    long pages = 0;
    long stop = 1L << 30; // no chunk starts at or past this page
    bool Covers(long first) const { return first < pages && first < stop; }
    long CountFrom(long first) const { return std::min<long>(chunkPages, pages - first); }
};

std::optional<ChunkPlan> PlanChunks(const NandPort& port, const UFDFlashParams& params);
// One chunk of pattern at `row` (tag "RWTest"), with 10 attempts.
bool WriteChunk(const NandPort& port, const UFDFlashParams& params, DWORD row, std::span<const BYTE> data,
                const char* failLine);

bool StressTest(const NandPort& port, const UFDFlashParams& params, int ce, int channel, long block);

} // namespace nand
