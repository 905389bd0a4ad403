// The fields of the CIS image's part 2 (its bytes 256..1023, held in host order apart from
// the big-endian capacity) that the system-table build reads and fills.
#pragma once

#include "platform/base/wintypes.h"
#include "server/scsi/scsi_request.h"

#include <cstring>

namespace nand {

class CisPart2 {
public:
    explicit CisPart2(BYTE* part2) : bytes_(part2) {}

    BYTE maker() const { return bytes_[0]; }
    BYTE idByte2() const { return bytes_[2]; }
    BYTE tableParameter() const { return bytes_[11] & 0x0F; }
    WORD actualPagesPerBlock() const { return Host16(18); }
    WORD pagesPerBlock() const { return Host16(20); }
    // The pages of a block the capacity counts: the actual count, else the plain one.
    WORD countedPagesPerBlock() const { return actualPagesPerBlock() != 0 ? actualPagesPerBlock() : pagesPerBlock(); }
    BYTE sectorsPerPage() const { return bytes_[22]; }
    DWORD capacity() const { return scsi::BigEndian32(bytes_ + 26); }
    void SetCapacity(DWORD sectors) { scsi::PutBigEndian32(bytes_ + 26, sectors); }
    void SetGeometry(int ce, int channels, int paths, BYTE logBlocks)
    {
        bytes_[32] = bytes_[34] = static_cast<BYTE>(ce);
        bytes_[33] = bytes_[49] = static_cast<BYTE>(channels);
        bytes_[48] = static_cast<BYTE>(paths);
        bytes_[50] = logBlocks;
        SetHost16(56, static_cast<WORD>(static_cast<SHORT>(1024 / paths)));
        bytes_[53] = 0;
        SetHost16(54, 0);
        SetHost16(58, 0);
    }
    void SetTatPages(BYTE pages) { bytes_[53] = pages; }
    void SetLftPages(WORD pages) { SetHost16(54, pages); }
    WORD lastPageWords() const { return Host16(58); }
    void SetLastPageWords(WORD words) { SetHost16(58, words); }
    void SetTableSectors(INT sectors) { std::memcpy(bytes_ + 60, &sectors, sizeof sectors); }

private:
    WORD Host16(int at) const
    {
        WORD value;
        std::memcpy(&value, bytes_ + at, sizeof value);
        return value;
    }
    void SetHost16(int at, WORD value) { std::memcpy(bytes_ + at, &value, sizeof value); }

    BYTE* bytes_;
};

} // namespace nand
