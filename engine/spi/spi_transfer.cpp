#include "engine/spi/spi_transfer.h"

#include "engine/usb/vendor_requests.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int MaxNamedDifferences = 21;
} // namespace

void PrintOpcodeLine(const SpiOpcodeRow& row)
{
    platform::DebugPrintf("  SPI_Cmd=%02X, %02X, %02X, %02X, %02X, %02X, %02X, %02X", row[0], row[1], row[2], row[3], row[4],
                          row[5], row[6], row[7]);
}

bool ReadFlash(usb_dev_handle* handle, BYTE readOpcode, BYTE chunk, BYTE target, DWORD address, DWORD length, BYTE* buffer)
{
    for (DWORD at = address; at < address + length; at += chunk) {
        const WORD size = static_cast<WORD>(std::min<DWORD>(chunk, address + length - at));
        if (!SPI_Read_Data(at, handle, readOpcode, at, size, buffer, target))
            return false;
    }
    return true;
}

void ProgramFlash(usb_dev_handle* handle, const SpiOpcodeRow& row, BYTE target, BYTE* data, DWORD length)
{
    const BYTE chunk = row[SpiChunk];
    for (DWORD address = 0; address < length; address += chunk) {
        SPI_WriteEN(row[SpiWriteEnable], handle);
        if (address % 0x1000 == 0)
            platform::DebugPrintf("    TxDataBuf[0x%04X]: %02X,%02X,%02X,%02X", address, data[address], data[address + 1],
                                  data[address + 2], data[address + 3]);
        const WORD size = static_cast<WORD>(std::min<DWORD>(chunk, length - address));
        if (!SPI_Write_Data(address, handle, row[SpiProgram], address, size, data, target)) {
            platform::DebugPrintf("    Program stopped at 0x%06X", address);
            return;
        }
    }
}

int VerifyFlash(usb_dev_handle* handle, const SpiOpcodeRow& row, BYTE target, const BYTE* image, DWORD length, BYTE* readBack)
{
    platform::DebugPrintf("  SPI_Read_FW");
    std::memset(readBack, 0, length);
    if (!ReadFlash(handle, row[SpiReadData], row[SpiChunk], target, 0, length, readBack)) {
        platform::DebugPrintf("  FW_Read_Error");
        return 7;
    }
    int differences = 0;
    for (DWORD i = 0; i < length; ++i) {
        if (image[i] == readBack[i])
            continue;
        platform::DebugPrintf("  FW Compare Error at [%06X], Tx_%02X != Rx_%02X", i, image[i], readBack[i]);
        if (++differences == MaxNamedDifferences) {
            platform::DebugPrintf("\t  Break For Too Many Error ......");
            break;
        }
    }
    if (differences == 0)
        return 1;
    platform::DebugPrintf("  FW Compare Error");
    return 8;
}

void PrintUseTime(ULONGLONG startMs)
{
    const ULONGLONG elapsed = GetTickCount64() - startMs;
    platform::DebugPrintf("  Use_Time = %d.%d Second", static_cast<int>(elapsed / 1000), static_cast<int>(elapsed % 1000));
}

void PrintFramed(const char* line)
{
    platform::DebugPrintf("%s", Banner);
    platform::DebugPrintf("%s", line);
    platform::DebugPrintf("%s", Banner);
}
