// The per-model flags of the USB hub driver under HKLM\SYSTEM\CurrentControlSet\Control\usbflags.
// "IgnoreHWSerNum<vid><pid>" (one byte 1, REG_BINARY) tells it to ignore the serial
// numbers of that model: such a device is named by its place, as one without a serial
// number is, so that the hundreds of drives a station programs leave one record per port
// instead of one per drive.
#pragma once

#include "platform/base/wintypes.h"

#include <string>

namespace platform::usbsys {

inline constexpr const char* kUsbFlagsKey = "SYSTEM\\CurrentControlSet\\Control\\usbflags";

// "IgnoreHWSerNum1234abcd": vendor and product as four lower-case hex digits each.
std::string IgnoreSerialValueName(WORD vendorId, WORD productId);

// Whether the flag is set (present with a non-zero byte) for the model. A store that
// cannot be read counts as no flag set.
bool SerialNumbersIgnored(WORD vendorId, WORD productId);

} // namespace platform::usbsys
