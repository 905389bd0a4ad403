// Read-back checks of the blocks written to a device.
#pragma once

#include "platform/base/wintypes.h"

#include <span>

// The number of 1 bits in a 32-bit value.
int CountBits(DWORD value);

// The bits in which two stretches of equal length differ.
std::size_t CountDifferingBits(std::span<const BYTE> written, std::span<const BYTE> readBack);

// The bit errors a read-back may have and still pass: LunTypeBitMap bits 16..19.
std::size_t ReadBackThreshold(DWORD lunTypeBitMap);
