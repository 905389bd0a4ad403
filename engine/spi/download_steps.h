// Steps of the device firmware download that act on the chip before it is programmed.
#pragma once

#include "engine/usb/spi_opcodes.h"
#include "engine/usb/target_device.h"

#include <span>

// RZ520: sets bits 0x44 of register 3 to release the flash's write-protect pin. Only a
// value that was read is written back; the outcome is traced, never judged.
void DisableWriteProtectPin(usb_dev_handle* handle);

// RZ524: puts the eFuse trim into the image at 0xBFF0: kept from the flash when the flash
// already carries the 'e','F' marker, else from the trim registers (unless they hold a
// bound). 1, or 7 when the flash could not be read, 0 when a register could not be read:
// an unknown trim is never programmed.
int LoadEfuseTrim(usb_dev_handle* handle, const SpiOpcodeRow& row, BYTE target, std::span<BYTE> image, std::span<BYTE> work);

// Write enable and write status (with the SST enable first), then the status; once more
// after 1000 ms when the status is not clear. Traced, never judged.
void ClearWriteProtection(usb_dev_handle* handle, const SpiOpcodeRow& row, BYTE spiType);

// Chip erase and the wait until the flash is ready: 1, or 0 ("  Erase_Wait_Fail").
int EraseChip(usb_dev_handle* handle, const SpiOpcodeRow& row);
