#include "engine/spi/download_steps.h"

#include "engine/usb/spi_wait.h"
#include "engine/usb/vendor_requests.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

namespace {

constexpr WORD RegisterWriteProtect = 3;
constexpr BYTE WriteProtectRelease = 0x44;
constexpr DWORD TrimAddress = 0xBFF0;
constexpr WORD RegisterTrimLow = 0x158;
constexpr WORD RegisterTrimHigh = 0x159;
constexpr WORD RegisterTrim2 = 0x15A;
constexpr WORD RegisterTrim3 = 0x15B;

// One round of step "write enable, write status, read status"; returns the status read
// (0xFF when it could not be read, so that it counts as not clear).
BYTE WriteEnableAndStatus(usb_dev_handle* handle, const SpiOpcodeRow& row, BYTE spiType, const char* sstLine)
{
    SPI_WriteEN(row[SpiWriteEnable], handle);
    if (spiType == SpiTypeSst) {
        platform::DebugPrintf("%s", sstLine);
        SPI_WriteSTS(SstEnableWriteStatus, handle);
    }
    SPI_WriteSTS(row[SpiWriteStatus], handle);
    BYTE status = 0xFF;
    SPI_Read(handle, row[SpiReadStatus], &status);
    return status;
}

} // namespace

void DisableWriteProtectPin(usb_dev_handle* handle)
{
    BYTE value = 0;
    if (!Read_Register(RegisterWriteProtect, handle, &value, false)) {
        platform::DebugPrintf("\t  Disable #WP Fail");
        return;
    }
    platform::DebugPrintf("Original Reg[3]=%02X", value);
    value |= WriteProtectRelease;
    platform::DebugPrintf("Changed Reg[3]=%02X", value);
    Write_Register(RegisterWriteProtect, handle, value);
    BYTE check = 0;
    const bool released = Read_Register(RegisterWriteProtect, handle, &check, false) && (check & 0x04);
    platform::DebugPrintf(released ? "\t  Disable #WP OK" : "\t  Disable #WP Fail");
}

int LoadEfuseTrim(usb_dev_handle* handle, const SpiOpcodeRow& row, BYTE target, std::span<BYTE> image, std::span<BYTE> work)
{
    BYTE* flash = work.data();
    if (!SPI_Read_Data(TrimAddress, handle, row[SpiReadData], 0, 16, flash, target)) {
        platform::DebugPrintf("  FW_Read_Error");
        return 7;
    }
    platform::DebugPrintf("[eFuse]: Flash[0x%06X] =%02X,%02X...%02X,%02X...%02X,%02X", TrimAddress, flash[0], flash[1], flash[8],
                          flash[9], flash[14], flash[15]);
    BYTE* trim = image.data() + TrimAddress;
    if (flash[0] == 'e' && flash[1] == 'F') {
        platform::DebugPrintf("[eFuse]: Load_eFuse_From_Flash");
        trim[0] = 'e';
        trim[1] = 'F';
        for (int i = 8; i < 12; ++i)
            trim[i] = flash[i];
        return 1;
    }
    platform::DebugPrintf("[eFuse]: Load_eFuse_From_Register");
    BYTE low = 0, high = 0;
    if (!Read_Register(RegisterTrimLow, handle, &low, false) || !Read_Register(RegisterTrimHigh, handle, &high, false))
        return 0;
    if (high == 0 && low == 0) {
        platform::DebugPrintf("[eFuse]: Trim_Low_Bound");
        return 1;
    }
    if (high == 3 && low == 0xFF) {
        platform::DebugPrintf("[eFuse]: Trim_High_Bound");
        return 1;
    }
    BYTE trim2 = 0, trim3 = 0;
    if (!Read_Register(RegisterTrim2, handle, &trim2, false) || !Read_Register(RegisterTrim3, handle, &trim3, false))
        return 0;
    trim[0] = 'e';
    trim[1] = 'F';
    trim[8] = low;
    trim[9] = high;
    trim[10] = trim2;
    trim[11] = trim3;
    return 1;
}

void ClearWriteProtection(usb_dev_handle* handle, const SpiOpcodeRow& row, BYTE spiType)
{
    const BYTE status = WriteEnableAndStatus(handle, row, spiType, "  SST Special  SPI_WriteEN 0x50");
    platform::DebugPrintf("\tSPI_Status_1 = 0x%02X", status);
    if (status == 0)
        return;
    Sleep(1000);
    platform::DebugPrintf("\tRun W_en & W_Sts Again");
    platform::DebugPrintf("\tSPI_Status_2 = 0x%02X", WriteEnableAndStatus(handle, row, spiType, "\tSST Special  SPI_WriteEN 0x50"));
}

int EraseChip(usb_dev_handle* handle, const SpiOpcodeRow& row)
{
    platform::DebugPrintf("  SPI_Chip_Erase");
    SPI_WriteEN(row[SpiWriteEnable], handle);
    SPI_Chip_Erase(row[SpiChipErase], handle);
    if (!WaitSpiReady(handle, row[SpiReadStatus], 1000)) {
        platform::DebugPrintf("  Erase_Wait_Fail");
        return 0;
    }
    return 1;
}
