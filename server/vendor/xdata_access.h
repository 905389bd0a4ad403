// XDATA register access (vendor group 0x01, sub 0x04 read, 0x05 write): a failed attempt
// is sent once more 10 ms later.
#pragma once

#include "server/scsi/vcomm_control.h"

namespace vendor {

int XdataTransfer(CVCommCMDControl& sender, HANDLE device, bool read, WORD reg, DWORD length, BYTE* buffer);

} // namespace vendor
