// CRC-16/USB (polynomial 0x8005, reflected in and out, initial 0xFFFF, final XOR 0xFFFF):
// the check a firmware image carries in its last two bytes.
#pragma once

#include "platform/base/wintypes.h"

WORD Crc16(DWORD length, const BYTE* data);

// Stores the CRC of bytes 0 .. length-3 little-endian in the last two bytes.
void CompleteImageCrc(BYTE* image, DWORD length);
