// SPI flash command bytes per flash type (`SpiType` is the row).
#pragma once

#include "platform/base/wintypes.h"

#include <array>

enum SpiOpcodeColumn : int {
    SpiReadId = 0, // only printed
    SpiWriteEnable = 1,
    SpiWriteStatus = 2,
    SpiChipErase = 3,
    SpiReadData = 4,
    SpiReadStatus = 5,
    SpiProgram = 6,
    SpiChunk = 7, // bytes per data request
};

using SpiOpcodeRow = std::array<BYTE, 9>;
extern const std::array<SpiOpcodeRow, 11> SpiOpcodeTable;

// The row of a flash type; null (with a debug line) for a type the table does not have.
const SpiOpcodeRow* OpcodeRowFor(BYTE spiType);

// Row 1 is the SST-type flash: write-status needs 0x50 (enable write-status) first.
constexpr BYTE SpiTypeSst = 1;
constexpr BYTE SstEnableWriteStatus = 0x50;

// The flash type the settings select: bit 30 gives 1, else bit 14 gives 2, else bit 13 gives 3, else 0.
BYTE SpiTypeFromLunTypeBitMap(DWORD lunTypeBitMap);
