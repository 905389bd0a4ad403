// Writing one table page into a flash block and proving it by reading it back: the
// differing bits are summed per KiB, and a page whose every KiB stays within the limit
// is verified.
#pragma once

#include "server/nand/nand_port.h"

#include <span>

namespace nand {

constexpr BYTE kBlockRead = 0x89;
constexpr BYTE kBlockWrite = 0x8B;
constexpr BYTE kMultiPageWrite = 0x8C;
constexpr BYTE kMultiPageRead = 0x8D;
constexpr BYTE kSpareRead = 0x88;

struct TablePage {
    DWORD row = 0;
    BYTE kind = 4;       // sectors per flash page of the transfer
    BYTE parameter = 0;  // the extra parameter byte (CDB byte 9)
    scsi::BlockTag tag{};
    std::span<const BYTE> data; // as it goes to the flash
    unsigned eccLimit = 0;
    BYTE writeSub = kBlockWrite;
    BYTE readSub = kBlockRead;
};

bool EraseBlockAt(const NandPort& port, DWORD row);
// One attempt: write, read back, compare. On failure the block is erased again, so that
// the next attempt finds the page erased.
bool WriteAndVerify(const NandPort& port, const TablePage& page);
// The most bits that differ in any one KiB of the two.
unsigned MostBitsPerKiB(std::span<const BYTE> written, std::span<const BYTE> read);
scsi::BlockTag Tag(const char (&text)[7]);

} // namespace nand
