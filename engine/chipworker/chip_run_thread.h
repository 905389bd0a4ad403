// The chip-mode worker: one run on one port, started by the port view with the port's
// PortThreadParam. It identifies the chip, sets the preamble registers and runs one job
// (burn-in cycles, power cycles, or the normal run: optional system-level test, restart
// until ready, SPI lock, firmware download, lock restored), posts progress 0..1200 and
// exactly one result, and returns only after the view has released the port's event.
// Chip mode drives one chip, the first supported device of the system, on port 1: while
// several chips are attached, a run started on another port fails at once without a
// request to any chip.
#pragma once

#include "platform/base/wintypes.h"

#include <cstdint>

// The port index of the one chip of chip mode.
constexpr std::int32_t kChipModePort = 0;

DWORD ChipRunThread(LPVOID portThreadParam);
