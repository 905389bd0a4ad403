// Builder of one vendor command: a 16-byte CDB (byte 0 = 0xEE, byte 1 = the group), the
// request settings, and the checks that the lengths written into the CDB stand for the
// data that is really sent. A command whose count cannot be written truthfully (a byte
// length beyond its field, a byte count that is no whole number of 512-byte sectors where
// a sector count goes into the CDB) is refused and never sent.
#pragma once

#include "server/scsi/scsi_request.h"

#include <array>

namespace scsi {

// The six characters of a block tag ("CISSYS", "ISPSYS", "RWTest").
using BlockTag = std::array<char, 6>;

class VendorCommand {
public:
    VendorCommand(BYTE group, UCHAR pathId, UCHAR targetId);
    // A caller-built CDB, any first byte.
    static VendorCommand Raw(const std::array<BYTE, 16>& cdb);

    VendorCommand& Address(DWORD address);   // bytes 2..5, big-endian
    VendorCommand& Address16(WORD address);  // bytes 4..5, big-endian
    VendorCommand& Sub(BYTE sub);            // byte 6
    VendorCommand& Byte(int index, BYTE value);
    VendorCommand& Word(int index, WORD value); // big-endian at index, index + 1
    VendorCommand& Tag(const BlockTag& tag);    // bytes 10..15
    // offset / unit into bytes 4..5; refused for a unit of 0 or a quotient beyond 16 bits.
    VendorCommand& UnitAddress16(DWORD offset, DWORD unit);
    // Byte count into bytes 7..8; refused beyond 16 bits.
    VendorCommand& LengthField(DWORD length);
    // length / 512 into one byte at `index`, or into bytes 7..8 with SectorWord.
    VendorCommand& SectorByte(int index, DWORD length);
    VendorCommand& SectorWord(DWORD length);

    VendorCommand& Read(DWORD length);  // data in
    VendorCommand& Write(DWORD length); // data out; no data when the length is 0
    VendorCommand& Data(Direction direction, DWORD length);
    VendorCommand& Timeout(DWORD seconds);
    VendorCommand& StatusPreset();
    VendorCommand& WaitFirst(); // Sleep(10) before sending

    ScsiOutcome Send(HANDLE device, const void* dataOut, void* dataIn) const;

private:
    explicit VendorCommand(const ScsiCommand& command) : command_(command) {}
    void Refuse(const char* what, DWORD count);

    ScsiCommand command_;
    bool waitFirst_ = false;
    const char* refusedWhat_ = nullptr;
    DWORD refusedCount_ = 0;
};

} // namespace scsi
