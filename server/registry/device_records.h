// Where the registry store keeps the records of one USB model, and the flag that makes
// the hub driver name that model's devices by their place instead of their serial number.
#pragma once

#include "platform/base/wintypes.h"

#include <optional>
#include <string>

namespace portwarden {

// The model's USB device records: "SYSTEM\CurrentControlSet\Enum\USB\Vid_1234&Pid_abcd".
std::string UsbRecordsKey(WORD vendorId, WORD productId);

// The mass-storage records of a unit identity, "SYSTEM\CurrentControlSet\Enum\USBSTOR"
// and "Disk&Ven_<vendor>&Prod_<product>&Rev_<revision>" below it. Nothing when a text
// holds a '\', which would make the path name a key below or beside the records instead.
std::optional<std::string> StorageRecordsKey(const std::string& vendor, const std::string& product,
                                             const std::string& revision);

// Sets "IgnoreHWSerNum<vid><pid>" under usbflags to one byte 1 (REG_BINARY): 1, or 0 with
// a debug line when the store refused it.
int SetIgnoreSerialFlag(WORD vendorId, WORD productId);

} // namespace portwarden
