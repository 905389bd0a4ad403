// Pieces the firmware procedures share: moving an image to and from the flash in
// data-request chunks, the read-back compare, the opcode trace line and the run time.
#pragma once

#include "engine/usb/spi_opcodes.h"
#include "platform/base/wintypes.h"

#include <usb.h>

// "  SPI_Cmd=..." with columns 0-7 of the row.
void PrintOpcodeLine(const SpiOpcodeRow& row);

// Reads `length` bytes from flash address `address` of `target` into buffer[address...];
// false at the first failed request.
bool ReadFlash(usb_dev_handle* handle, BYTE readOpcode, BYTE chunk, BYTE target, DWORD address, DWORD length, BYTE* buffer);

// Programs `length` bytes of `data` from flash address 0 of `target`, each chunk after a
// write enable. Stops at the first failed program request: what follows is the read-back
// compare, which reports it.
void ProgramFlash(usb_dev_handle* handle, const SpiOpcodeRow& row, BYTE target, BYTE* data, DWORD length);

// Reads the image back into `readBack` and compares: 1 equal, 7 read error, 8 differences
// (at most 21 are named).
int VerifyFlash(usb_dev_handle* handle, const SpiOpcodeRow& row, BYTE target, const BYTE* image, DWORD length, BYTE* readBack);

// "  Use_Time = %d.%d Second" since `startMs` (GetTickCount64).
void PrintUseTime(ULONGLONG startMs);

// The banner line that frames failures and results.
constexpr const char* Banner = "\t@@@@@@@@@@@@@@@@@@@@@@@@@@@@@";
void PrintFramed(const char* line);
