// A block transfer (vendor group 0x95, sub 0x89 read, 0x8B write) as ReadWriteBlock sends
// it. CIS blocks, and ISP blocks unless flags bit 6 is set, are protected: encryption is
// switched off (register 0x2809 bit 0) and the ECC set to its strongest (0x2608, bit 1 set
// and bit 0 clear) around the transfer, which is sent with flags bit 7 set. Whatever was
// changed is put back, and the transfer succeeds only when the transfer and every restore
// did. An ISP tag with bit 6 set goes unprotected with bit 6 cleared; other tags go as given.
// The caller holds the device's lock and has checked the length.
#pragma once

#include "server/scsi/vcomm_control.h"

namespace vendor {

struct BlockRequest {
    bool read = true;
    BYTE kind = 0;
    BYTE flags = 0;
    BlockTag tag{};
    DWORD block = 0;
    DWORD length = 0;
    BYTE* buffer = nullptr;
};

int TransferBlock(CVCommCMDControl& sender, HANDLE device, const BlockRequest& request);

} // namespace vendor
