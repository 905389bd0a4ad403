// The version a firmware file carries, as the chip page shows it.
#pragma once

#include "platform/base/wintypes.h"

#include <string>
#include <string_view>

// The four version bytes of the file: those of the 16-byte block at 0x4000 when the block
// carries the maker's vendor id (at its bytes 12-13, or one of the accepted vendor ids at
// bytes 4-5), else the four bytes at 0x1003. `version[0]` is 0xFF when the file cannot be
// read there or the version is four zero bytes: unavailable.
void ReadFirmwareFileVersion(std::u16string_view path, BYTE (&version)[4]);

// "%x.%x.%x.%x", or "N/A" for an unavailable version.
std::u16string FirmwareVersionText(const BYTE (&version)[4]);
