// Backups read from the chip: its firmware (mode 0) and the first part of its whole flash.
#include "engine/spi/firmware_file.h"
#include "engine/spi/firmware_image.h"
#include "engine/spi/spi_procedures.h"
#include "engine/spi/spi_transfer.h"
#include "engine/usb/vendor_requests.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/process/process.h"
#include "platform/text/text.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD WholeFlashSize = 0x80000;

// How much of the whole flash a backup value asks for.
DWORD WholeBackupLength(BYTE value)
{
    if (value == 1)
        return 0x8000;
    if (value == 2)
        return 0x10000;
    if (value <= 4)
        return 0x20000;
    if (value <= 8)
        return 0x40000;
    return 0x80000;
}

int BackUpFirmware(const TargetDevice& device, std::u16string_view path, BYTE mode, BYTE spiType)
{
    platform::DebugPrintf("  CALL Firmware_Download, Mode=%d, SPI_Type=%d", mode, spiType);
    const SpiOpcodeRow* row = OpcodeRowFor(spiType);
    if (row == nullptr)
        return SpiResult::Fail;
    PrintOpcodeLine(*row);
    const ChipModel model = device.model();
    DWORD length = FirmwareReadLength(model);
    // The firmware is read from where the download puts it (RZ521 included: on PD1).
    const BYTE target = FirmwareTarget(model);
    std::vector<BYTE> flash(length, 0);
    platform::DebugPrintf("  SPI_Read_FW");
    if (!ReadFlash(device.handle(), (*row)[SpiReadData], (*row)[SpiChunk], target, 0, length, flash.data())) {
        platform::DebugPrintf("  FW_Read_Error");
        return SpiResult::ReadError;
    }
    std::u16string drive, folder;
    platform::SplitDriveAndFolder(std::u16string(path), drive, folder);
    const std::u16string backupPath = drive + folder + u"BackUpFW.BIN";
    platform::DebugPrintf("  BackUpFWPath=%s", platform::WideToAnsi(backupPath).c_str());
    if (HasDoubleBanks(model) && std::memcmp(flash.data(), flash.data() + length / 2, length / 2) == 0)
        length /= 2;
    if (!WriteFirmwareFile(backupPath, std::span<const BYTE>(flash.data(), length))) {
        platform::DebugPrintf("  BackUpFile Open Error");
        return SpiResult::Fail;
    }
    return SpiResult::Ok;
}

int BackUpWholeFlash(const TargetDevice& device, BYTE mode, BYTE spiType, BYTE value)
{
    platform::DebugPrintf("  CALL SPI_Whole_BackUp_Exe, Mode=%d, Value=%d", mode, value);
    const SpiOpcodeRow* row = OpcodeRowFor(spiType);
    if (row == nullptr)
        return SpiResult::Fail;
    PrintOpcodeLine(*row);
    std::vector<BYTE> flash(WholeFlashSize, 0);
    platform::DebugPrintf("  SPI_Read_FW");
    if (!ReadFlash(device.handle(), (*row)[SpiReadData], (*row)[SpiChunk], SpiTargetHub, 0, WholeFlashSize, flash.data())) {
        platform::DebugPrintf("  FW_Read_Error");
        return SpiResult::ReadError;
    }
    if (flash[0] == 0x00 && flash[1] == 0x00) {
        platform::DebugPrintf("  BackUp SPI with All 0x00 Error");
        return SpiResult::Fail;
    }
    const std::u16string backupPath = platform::ProgramFolder() + platform::FormatWide("BackUpWholeSPIx%dK.BIN", value * 32);
    platform::DebugPrintf("  BackUpWholeSPIx32KPath=%s", platform::WideToAnsi(backupPath).c_str());
    if (!WriteFirmwareFile(backupPath, std::span<const BYTE>(flash.data(), WholeBackupLength(value)))) {
        platform::DebugPrintf("  Back Whole SPI Error");
        return SpiResult::Fail;
    }
    return SpiResult::Ok;
}

} // namespace

int Firmware_Download(const TargetDevice& device, std::u16string_view path, BYTE mode, BYTE spiType)
{
    const ULONGLONG start = GetTickCount64();
    const int result = BackUpFirmware(device, path, mode, spiType);
    PrintUseTime(start);
    return result;
}

int SPI_Whole_BackUp_Exe(const TargetDevice& device, BYTE mode, BYTE spiType, BYTE value)
{
    const int result = BackUpWholeFlash(device, mode, spiType, value);
    PrintFramed(result == SpiResult::Ok ? "      BackUp Whole SPI OK" : "      BackUp Whole SPI FAIL");
    return result;
}
