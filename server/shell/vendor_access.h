// A group 0x80 transfer on a port's device (EEPROM, firmware memory, partitions, button),
// shared by the vendor slots of both interfaces: data in for a read, data out for a write,
// CDB bytes 11..13 as the slot gives them.
#pragma once

#include "server/scsi/vcomm_control.h"

namespace portwarden {

INT VendorAccessTransfer(CVCommCMDControl& vendor, HANDLE* handles, BYTE index, bool read, BYTE sub, BYTE c11,
                         INT address, INT length, BYTE* buffer, BYTE c12, BYTE c13);

} // namespace portwarden
