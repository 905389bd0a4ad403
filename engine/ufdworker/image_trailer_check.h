// The check of a LUN image's trailer before the image goes to a device.
#pragma once

#include "engine/ports/port_device.h"
#include "platform/base/wintypes.h"

#include <string_view>

namespace trailer_flags {
constexpr BYTE kTypeDiffers = 0x02;  // built as another file-system type than the LUN's
constexpr BYTE kTypeMatches = 0x04;  // a trailer of the LUN's type: its 17 bytes are not written
constexpr BYTE kTooLarge = 0x08;     // built for more sectors than the device has: built on the device instead
constexpr BYTE kNoCapacity = 0x10;   // the device's capacity could not be read
constexpr BYTE kMbr = 0x20;          // built with a master boot record
} // namespace trailer_flags

// The flags of the image file at `path` for a LUN of type `lunType` (ImageType, bits 0-3):
// 0 when the file ends without a trailer.
BYTE CheckFormatImageTrailer(std::u16string_view path, const PortDevice& device, BYTE lunType);
