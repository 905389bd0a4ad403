// The worker's register and request accesses: each is one AccessDevice call, that is one
// open, request and close of the target chip.
#pragma once

#include "platform/base/wintypes.h"

#include <array>

using ChipSetup = std::array<BYTE, 8>;

// `value` keeps what it held when the read fails.
bool ReadChipRegister(WORD reg, BYTE& value);
bool WriteChipRegister(WORD reg, BYTE value);
// The request of the setup record (mode 9); afterwards bytes 4-7 hold the chip's ids.
bool SendChipRequest(ChipSetup& setup);
