// The vendor control requests chip mode sends: chip registers, the SPI flash behind the
// chip (write enable, write status, erase, status, data read and program) and a raw
// request from an 8-byte setup record. Each returns 1 on success, 0 on failure, and
// writes a debug line when it fails.
//
// An IN request succeeds only when the device returned every byte asked for: a short
// reply would leave stale bytes (a status that reads "ready", a hole in a backup).
#pragma once

#include "platform/base/wintypes.h"

#include <usb.h>

#include <atomic>

// Vendor requests that moved data, process-wide; the chip-mode worker prints and resets it.
extern std::atomic<int> VdrCommandCount;

// Which SPI flash a data request addresses.
enum SpiTarget : BYTE { SpiTargetHub = 0, SpiTargetPD1 = 1, SpiTargetPD2 = 2 };

int Read_Register(WORD reg, usb_dev_handle* handle, BYTE* value, bool verbose);
int Write_Register(WORD reg, usb_dev_handle* handle, BYTE value);
int SPI_WriteEN(BYTE opcode, usb_dev_handle* handle);
int SPI_Chip_Erase(BYTE opcode, usb_dev_handle* handle);
// Sleeps 1000 ms after the request, whether it succeeded or not.
int SPI_WriteSTS(BYTE opcode, usb_dev_handle* handle);
// The flash status byte.
int SPI_Read(usb_dev_handle* handle, BYTE opcode, BYTE* status);
// `length` bytes at flash `address` of `target`, to or from buffer + offset.
int SPI_Read_Data(DWORD address, usb_dev_handle* handle, BYTE opcode, DWORD offset, WORD length, BYTE* buffer, BYTE target);
int SPI_Write_Data(DWORD address, usb_dev_handle* handle, BYTE opcode, DWORD offset, WORD length, BYTE* buffer, BYTE target);
// A request described by an 8-byte setup record; an IN reply (at most 8 bytes) is copied
// back over the record.
int VDR_Test(BYTE setup[8], usb_dev_handle* handle);
