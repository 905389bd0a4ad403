#include "server/nand/page_writer.h"

#include "platform/debug/debug.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace nand {

scsi::BlockTag Tag(const char (&text)[7])
{
    scsi::BlockTag tag;
    std::copy(text, text + 6, tag.begin());
    return tag;
}

bool EraseBlockAt(const NandPort& port, DWORD row)
{
    BYTE status = 0;
    return scsi::EraseFlashBlock(port.vendor, port.device, row, &status) == 1;
}

unsigned MostBitsPerKiB(std::span<const BYTE> written, std::span<const BYTE> read)
{
    unsigned most = 0;
    const std::size_t size = std::min(written.size(), read.size());
    for (std::size_t start = 0; start < size; start += 1024) {
        unsigned bits = 0;
        for (std::size_t i = start; i < std::min(size, start + 1024); ++i)
            bits += static_cast<unsigned>(std::popcount(static_cast<unsigned>(written[i] ^ read[i])));
        most = std::max(most, bits);
    }
    return most;
}

bool WriteAndVerify(const NandPort& port, const TablePage& page)
{
    const auto length = static_cast<DWORD>(page.data.size());
    std::vector<BYTE> readBack(length);
    bool verified = port.vendor.BlockAccessWrite(port.device, page.writeSub, page.kind, page.parameter, page.tag, 0, 0,
                                                 page.row, length, page.data.data()) == 1;
    if (verified)
        verified = port.vendor.BlockAccessRead(port.device, page.readSub, page.kind, page.parameter, 0, 0, page.row,
                                               length, readBack.data()) == 1;
    if (verified) {
        const unsigned bits = MostBitsPerKiB(page.data, readBack);
        if (bits > page.eccLimit) {
            platform::DebugPrintf(" @@ Verify Row 0x%08X: %u bits differ in one KiB", unsigned{page.row}, bits);
            verified = false;
        }
    }
    if (!verified)
        EraseBlockAt(port, page.row);
    return verified;
}

} // namespace nand
