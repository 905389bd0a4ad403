// The busy wait on the flash status and the blank check of an erased flash.
#pragma once

#include "platform/base/wintypes.h"

#include <usb.h>

#include <span>

// 1 once two status readings in a row show neither write-in-progress nor write-enable
// latch; 0 after 30000 polls, or at once when a status read fails.
int WaitSpiReady(usb_dev_handle* handle, BYTE statusOpcode, DWORD pollIntervalMs);

// The span a blank check covers: 0x20000 bytes of the hub and PD2 flash, 0x10000 of PD1.
DWORD BlankCheckSpan(BYTE target);

// Reads the target's span into `buffer` (at least 128 KiB) and checks it is all 0xFF:
// 1 blank, 7 read error, 14 not blank.
int CheckSpiBlank(std::span<BYTE> buffer, usb_dev_handle* handle, BYTE readOpcode, BYTE chunk, BYTE target);
