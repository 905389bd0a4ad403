// One cycle of the burn-in test (random reads against the firmware read at the start) and
// of the power-cycle test (power off and on again through register 9).
#include "engine/spi/firmware_image.h"
#include "engine/spi/spi_procedures.h"
#include "engine/spi/spi_transfer.h"
#include "engine/usb/vendor_requests.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr BYTE BurnInReadOpcode = 0x03; // fixed: the burn-in does not follow the flash type
constexpr BYTE BurnInChunk = 0x20;
constexpr int BurnInRounds = 71777;
constexpr WORD RegisterPower = 9;
constexpr BYTE PowerCycleStart = 0x30;
constexpr int PowerPolls = 70;
constexpr DWORD PowerPollMs = 500;

int CompareRandomReads(usb_dev_handle* handle, BYTE target, const std::vector<BYTE>& reference)
{
    BYTE work[BurnInChunk];
    const DWORD size = static_cast<DWORD>(reference.size());
    for (int round = 0; round < BurnInRounds; ++round) {
        const DWORD address = static_cast<DWORD>(std::rand()) & 0x7FFF;
        // Kept inside the reference: the last addresses of a 32 KiB image take fewer bytes.
        const WORD length = static_cast<WORD>(std::min<DWORD>(static_cast<DWORD>(std::rand()) % 32 + 1, size - address));
        if (round == 0)
            platform::DebugPrintf("\tCheck: SPIAddr=0x%04X  ReadLen=0x%02X", address, length);
        std::memset(work, 0xAA, sizeof work);
        if (!SPI_Read_Data(address, handle, BurnInReadOpcode, 0, length, work, target)) {
            platform::DebugPrintf("  FW_Read_Error");
            return SpiResult::ReadError;
        }
        for (WORD i = 0; i < length; ++i) {
            if (work[i] == reference[address + i])
                continue;
            platform::DebugPrintf("\tFW_Compare_Error");
            platform::DebugPrintf("\tSPIAddr=0x%04X\tReadLen=0x%02X", address, length);
            platform::DebugPrintf("\tRxDataBuf_0x%04X != pByte[idx]=0x%02X", reference[address + i], work[i]);
            return SpiResult::CompareError;
        }
    }
    return SpiResult::Ok;
}

// Reads register 9 until its bits 2-3 equal `wanted`, at most PowerPolls times.
bool WaitPowerState(usb_dev_handle* handle, BYTE wanted)
{
    for (int poll = 0; poll < PowerPolls; ++poll) {
        if (poll > 0)
            Sleep(PowerPollMs);
        BYTE value = 0xFF;
        if (Read_Register(RegisterPower, handle, &value, false) && (value & 0x0C) == wanted)
            return true;
    }
    return false;
}

} // namespace

int CheckSpiContent()
{
    auto device = TargetDevice::Open();
    if (!device)
        return SpiResult::Fail;
    const ChipModel model = device->model();
    const BYTE target = FirmwareTarget(model);
    std::vector<BYTE> reference(FirmwareReadLength(model), 0);
    if (!ReadFlash(device->handle(), BurnInReadOpcode, BurnInChunk, target, 0, static_cast<DWORD>(reference.size()),
                   reference.data())) {
        platform::DebugPrintf("  FW_Read_Error");
        return SpiResult::ReadError;
    }
    if (reference[0] == reference[1] && (reference[0] == 0xFF || reference[0] == 0x00)) {
        platform::DebugPrintf("\tSPI_NO_DATA_Error");
        return SpiResult::FlashEmpty;
    }
    return CompareRandomReads(device->handle(), target, reference);
}

int WaitPowerCycle()
{
    auto device = TargetDevice::Open();
    if (!device)
        return SpiResult::Fail;
    // Without the start the register could still show the end of an earlier cycle.
    if (!Write_Register(RegisterPower, device->handle(), PowerCycleStart))
        return SpiResult::Fail;
    if (!WaitPowerState(device->handle(), 0x00)) {
        platform::DebugPrintf("Wait Power Off Fail");
        return SpiResult::Fail;
    }
    platform::DebugPrintf("Wait Power Off OK");
    if (!WaitPowerState(device->handle(), 0x08)) {
        platform::DebugPrintf("Wait Power ON-ALT Fail");
        return SpiResult::Fail;
    }
    platform::DebugPrintf("Wait Power ON-ALT OK");
    return SpiResult::Ok;
}
