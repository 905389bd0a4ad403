// The maker's vendor commands (operation code 0xEE, byte 1 = command group) carried in
// SCSI pass-through requests with a 16-byte CDB. Every sender takes the device handle
// first and returns 1 on success (call succeeded and SCSI status 0), else 0. No state;
// two threads must not send to the same handle at once (one worker per port).
// Lengths are data bytes, at most 65 536; a length that the CDB cannot carry truthfully
// is refused with result 0 and never sent.
#pragma once

#include "platform/base/wintypes.h"
#include "server/scsi/vendor_command.h"

using scsi::BlockTag;

class CVCommCMDControl {
public:
    CVCommCMDControl();

    // Group 0x01: code, data and XDATA register memory.
    int VendorRead(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, WORD address, DWORD length, BYTE* data);
    int VendorWrite(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, WORD address, DWORD length,
                    const BYTE* data);
    // Group 0x02: CPU reset, device id, LUN configuration and LUN data (subs 0x28/0x2A count sectors).
    int ConfigureLUNRead(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length,
                         BYTE* data);
    int ConfigureLUNWrite(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length,
                          const BYTE* data);
    // Group 0x65: LUN settings.
    int LUNCONFIGRead(HANDLE device, BYTE sub, BYTE param, UCHAR pathId, UCHAR targetId, DWORD length, BYTE* data);
    int LUNCONFIGWrite(HANDLE device, BYTE sub, BYTE param, UCHAR pathId, UCHAR targetId, DWORD length,
                       const BYTE* data);
    // Group 0x66: security.
    int SecurityConfigRead(HANDLE device, BYTE sub, BYTE param, UCHAR pathId, UCHAR targetId, DWORD length,
                           BYTE* data);
    int SecurityConfigWrite(HANDLE device, BYTE sub, BYTE param, UCHAR pathId, UCHAR targetId, DWORD length,
                            const BYTE* data);
    // Group 0x6F.
    int CacheClear(HANDLE device, UCHAR pathId, UCHAR targetId);
    // Group 0x80: EEPROM, firmware memory, partitions, button.
    int VendorAccessRead(HANDLE device, BYTE sub, BYTE c11, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length,
                         BYTE* data, BYTE c12, BYTE c13);
    int VendorAccessWrite(HANDLE device, BYTE sub, BYTE c11, UCHAR pathId, UCHAR targetId, DWORD address,
                          DWORD length, const BYTE* data, BYTE c12, BYTE c13);
    // Group 0x8B: power management of bridge drives.
    int USDPowerRead(HANDLE device, BYTE sub, BYTE c11, BYTE c12, UCHAR pathId, UCHAR targetId, DWORD length,
                     BYTE* data);
    int USDPowerWrite(HANDLE device, BYTE sub, BYTE c11, BYTE c12, UCHAR pathId, UCHAR targetId, DWORD length,
                      const BYTE* data);
    // Group 0x9F: ISP segments.
    int ISPAccessWrite(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length,
                       const BYTE* data);
    // Group 0x90: system area (sub 0x81 writes the ISP image and counts sectors in byte 8).
    int SystemAccessRead(HANDLE device, BYTE sub, BYTE c11, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length,
                         BYTE* data);
    int SystemAccessWrite(HANDLE device, BYTE sub, BYTE c11, UCHAR pathId, UCHAR targetId, DWORD address,
                          DWORD length, const BYTE* data);
    // Group 0x95: spare areas and NAND blocks (block transfers count sectors in byte 8).
    int SpareAccessRead(HANDLE device, BYTE sub, BYTE c9, BYTE c10, UCHAR pathId, UCHAR targetId, DWORD address,
                        DWORD length, BYTE* data);
    int SpareAccessWrite(HANDLE device, BYTE sub, BYTE c9, BYTE c10, UCHAR pathId, UCHAR targetId, DWORD address,
                         DWORD length, const BYTE* data);
    int BlockAccessRead(HANDLE device, BYTE sub, BYTE kind, BYTE flags, UCHAR pathId, UCHAR targetId, DWORD address,
                        DWORD length, BYTE* data);
    int BlockAccessWrite(HANDLE device, BYTE sub, BYTE kind, BYTE flags, const BlockTag& tag, UCHAR pathId,
                         UCHAR targetId, DWORD address, DWORD length, const BYTE* data);
    int BlockAccessErase(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length,
                         BYTE* data);
    // Group 0x65 configuration tables: bytes 4..5 = offset / unit.
    int ConfigAccessRead(HANDLE device, BYTE sub, BYTE kind, BYTE flags, UCHAR pathId, UCHAR targetId, DWORD offset,
                         DWORD length, BYTE* data, DWORD unit);
    int ConfigAccessWrite(HANDLE device, BYTE sub, BYTE kind, BYTE flags, const BlockTag& tag, UCHAR pathId,
                          UCHAR targetId, DWORD offset, DWORD length, const BYTE* data, DWORD unit);
    // Group 0x50: block status and bad marks.
    int BlockMarkRead(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length, BYTE c8,
                      BYTE c11, BYTE c12, BYTE* data);
    int BlockMarkWrite(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length, BYTE c8,
                       BYTE c11, BYTE c12, const BYTE* data);
    // Group 0x51: check bad blocks (op 0), erase the system area (op 1).
    int BlockCheckErase(HANDLE device, BYTE op, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length, BYTE c9,
                        BYTE c10, BYTE c11, BYTE c12, BYTE* data);
    // Group 0xF8: the virtual-block engine.
    int VBCommandRead(HANDLE device, BYTE sub, BYTE selectorHigh, BYTE selectorLow, WORD value, BYTE byte3,
                      DWORD length, BYTE* data);
    int SetThreeSLCVB(HANDLE device, BYTE sub);
    int CopySLCToTLC(HANDLE device, BYTE sub, WORD block, BYTE byte3, WORD value);
    int FillMainFIFO(HANDLE device, BYTE sub, DWORD length, const BYTE* data);
    int MLCVBWrite(HANDLE device, BYTE sub, WORD block, WORD value);
    // Caller-built CDBs from five 32-bit words; the data length is CDB bytes 7..8.
    int TestCommandRead(HANDLE device, DWORD dw0, DWORD dw1, DWORD dw2, DWORD dw3, DWORD dw4, BYTE* data);
    int TestCommandWrite(HANDLE device, DWORD dw0, DWORD dw1, DWORD dw2, DWORD dw3, DWORD dw4, const BYTE* data);
    // As TestCommandRead, but moving transferLength bytes (bytes 7..8 carry command fields).
    int ATACommandRead(HANDLE device, DWORD dw0, DWORD dw1, DWORD dw2, DWORD dw3, DWORD dw4, DWORD transferLength,
                       BYTE* data);
};
