// The bad-block information page: the marker "BadBlockCnt=" (three 32-bit words), a count
// and up to 1020 row addresses of bad blocks, kept in host order and written with every
// used word big-endian (the rest stays 0xFF).
#pragma once

#include "server/nand/nand_port.h"

#include <array>

namespace nand {

class BbiPage {
public:
    static constexpr std::size_t kBytes = 4096;
    static constexpr std::size_t kRows = 1020;

    BbiPage() { Reset(); }
    void Reset();
    // False when the page is full.
    bool Append(DWORD row);
    bool full() const { return count_ == kRows; }
    std::size_t count() const { return count_; }
    const std::array<BYTE, kBytes>& host() const { return host_; }
    std::array<BYTE, kBytes> FlashForm() const;

private:
    std::array<BYTE, kBytes> host_;
    std::size_t count_ = 0;
};

// Writes the page as page `pageNumber` of the block at `blockRow` (tag "BBISYS") and
// verifies it: page 0 erases the block first and is tried 3 times; a later page that
// fails its check fails at once. A 4096-byte page takes as many flash pages as the page
// data size needs; a page past the end of the block is refused.
bool WriteBB_INFO(const NandPort& port, const BbiPage& page, DWORD blockRow, unsigned pageNumber);

} // namespace nand
