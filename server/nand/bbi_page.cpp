#include "server/nand/bbi_page.h"

#include "platform/debug/debug.h"
#include "server/nand/page_writer.h"

#include <algorithm>
#include <cstring>

namespace nand {
namespace {

constexpr DWORD kMarker[3] = {0x42616442, 0x6C6F636B, 0x436E743D};
constexpr unsigned kBbiEccLimit = 15;
constexpr int kPageZeroAttempts = 3;

void PutHost32(BYTE* at, DWORD value)
{
    std::memcpy(at, &value, sizeof value);
}

DWORD Host32(const BYTE* at)
{
    DWORD value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

void BbiPage::Reset()
{
    host_.fill(0xFF);
    for (int i = 0; i < 3; ++i)
        PutHost32(&host_[4 * i], kMarker[i]);
    count_ = 0;
    PutHost32(&host_[12], 0);
}

bool BbiPage::Append(DWORD row)
{
    if (full())
        return false;
    PutHost32(&host_[16 + 4 * count_], row);
    ++count_;
    PutHost32(&host_[12], static_cast<DWORD>(count_));
    return true;
}

std::array<BYTE, BbiPage::kBytes> BbiPage::FlashForm() const
{
    std::array<BYTE, kBytes> flash = host_;
    for (std::size_t word = 0; word < 4 + count_; ++word)
        scsi::PutBigEndian32(&flash[4 * word], Host32(&host_[4 * word]));
    return flash;
}

bool WriteBB_INFO(const NandPort& port, const BbiPage& page, DWORD blockRow, unsigned pageNumber)
{
    platform::DebugPrintf("WriteBB_INFO(%d)", port.index);
    // Never more per flash page than the page holds: a 4 KiB page goes into two 2 KiB pages.
    DWORD unit = BbiPage::kBytes;
    while (unit > 512 && unit > port.geometry.pageDataSize)
        unit /= 2;
    const unsigned flashPages = BbiPage::kBytes / unit;
    if (port.geometry.pagesPerBlock == 0 || (pageNumber + 1) * flashPages > port.geometry.pagesPerBlock) {
        platform::DebugPrintf("WriteBB_INFO (%d) Error At Page %u: past the end of the block", port.index, pageNumber);
        return false;
    }
    const auto flash = page.FlashForm();
    TablePage table;
    table.row = blockRow + pageNumber * flashPages;
    table.kind = static_cast<BYTE>(unit / 512);
    table.tag = Tag("BBISYS");
    table.data = flash;
    table.eccLimit = kBbiEccLimit;
    if (pageNumber != 0) {
        if (WriteAndVerify(port, table))
            return true;
        platform::DebugPrintf("WriteBB_INFO (%d) Error At Page %u", port.index, pageNumber);
        return false;
    }
    for (int attempt = 0; attempt < kPageZeroAttempts; ++attempt) {
        if (!EraseBlockAt(port, blockRow))
            continue;
        if (WriteAndVerify(port, table))
            return true;
    }
    platform::DebugPrintf("WriteBB_INFO (%d) Error At Page 0", port.index);
    return false;
}

} // namespace nand
