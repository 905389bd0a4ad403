#include "engine/chipworker/chip_jobs.h"

#include "engine/chipworker/chip_access.h"
#include "engine/chipworker/hub_high_z.h"
#include "engine/chipworker/slt_gpio_test.h"
#include "engine/ports/port_thread_param.h"
#include "engine/settings/main_frame_settings.h"
#include "engine/spi/spi_transfer.h"
#include "engine/usb/supported_devices.h"
#include "engine/usb/target_device.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

namespace {

constexpr WORD RegisterPreamble = 0x02;
constexpr WORD RegisterChipType = 0x18;
constexpr WORD RegisterReadyLock = 0xF7;
constexpr WORD RegisterCcPin = 0x1205;
constexpr WORD RegisterTrimSelect = 0x7E;
constexpr BYTE C0TypeChip = 0x80;
constexpr BYTE NotReady = 0x80;
constexpr BYTE SpiLock = 0x01;
constexpr int WorkerRestartTries = 6;
constexpr DWORD RestartPauseMs = 1900;

// The reset unlock bytes, one per register 0x2AE2..0x2AE5.
constexpr BYTE ResetUnlock0 = 0x4B;
constexpr BYTE ResetUnlock1 = 0x52;
constexpr BYTE ResetUnlock2 = 0x5A;
constexpr BYTE ResetUnlock3 = 0x9C;

void SendRestart(BYTE request)
{
    ChipSetup setup{0x00, request, 0, 0, 0, 0, 0, 0};
    SendChipRequest(setup);
}

void RestartChip(bool c0Type)
{
    if (c0Type) {
        platform::DebugPrintf("\t  ########### C0-Reset ###########");
        SendRestart(0xC0);
        return;
    }
    WriteChipRegister(0x2AE2, ResetUnlock0);
    WriteChipRegister(0x2AE3, ResetUnlock1);
    WriteChipRegister(0x2AE4, ResetUnlock2);
    WriteChipRegister(0x2AE5, ResetUnlock3);
    platform::DebugPrintf("\t  ########### A0B0-Reset ###########");
    SendRestart(0xA0);
    SendRestart(0xB0);
}

// 1, or 0 when the test or the CC-pin check fails.
int RunSystemLevelTest(BYTE mode)
{
    platform::DebugPrintf("\tSpecial SLT Mode");
    if (SltGpioTest() != 1)
        return 0;
    BYTE ccPin = 0;
    ReadChipRegister(RegisterCcPin, ccPin);
    if (ccPin == 0 && mode > 1) {
        PrintFramed("          CC_Pin_Test FAIL");
        return 0;
    }
    return 1;
}

} // namespace

bool RestartUntilReady(int tries)
{
    BYTE chipType = 0;
    ReadChipRegister(RegisterChipType, chipType);
    const bool c0Type = chipType == C0TypeChip;
    for (int attempt = 0; attempt < tries; ++attempt) {
        BYTE state = 0xFF;
        if (ReadChipRegister(RegisterReadyLock, state)) {
            if (!(state & NotReady))
                return true;
            RestartChip(c0Type);
        }
        Sleep(RestartPauseMs);
    }
    platform::DebugPrintf("\t  Restart Device Fail");
    return false;
}

WORD ReadChipProductId()
{
    ChipSetup setup{0x80, 0xE2, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00};
    if (!SendChipRequest(setup)) {
        platform::DebugPrintf("PID-----> not read");
        return 0;
    }
    return static_cast<WORD>(setup[6] << 8 | setup[7]);
}

void IdentifyChip(const CISSetting& settings)
{
    const WORD productId = ReadChipProductId();
    if (productId == 0)
        return;
    platform::DebugPrintf("PID-----> %02X%02X", productId >> 8, productId & 0xFF);
    if (productId == ChipProductId::RZ522 && settings.SetHubHighZ == 1)
        SearchHubsSetHighZ();
}

void WritePreamble()
{
    BYTE value = 0;
    if (ReadChipRegister(RegisterPreamble, value))
        WriteChipRegister(RegisterPreamble, value & 0xDD);
    WriteChipRegister(0x15, 0x7F);
    WriteChipRegister(0x19, 0x00);
    WriteChipRegister(0x1C, 0x02);
}

int RunCycles(const char* title, const char* cycleOkFormat, int (*cycle)(), DWORD cycles, PortReporter& reporter)
{
    platform::DebugPrintf("=======================");
    platform::DebugPrintf("=======================");
    platform::DebugPrintf("%s", title);
    platform::DebugPrintf("=======================");
    platform::DebugPrintf("=======================");
    int result = 0;
    for (DWORD done = 1; done <= cycles; ++done) {
        result = cycle();
        reporter.PostProgress(static_cast<std::int32_t>(std::uint64_t{done} * kPortProgressEnd / cycles));
        if (result != 1)
            break;
        platform::DebugPrintf(cycleOkFormat, static_cast<int>(done));
        platform::DebugPrintf("\t.");
        if (done == cycles) // the count may be the largest a DWORD holds
            break;
    }
    return result;
}

int RunNormalJob(const PortThreadParam& param, BYTE spiType)
{
    const CISSetting& settings = param.mainFrame->CisSetting;
    if (settings.RunSLTMode != 0 && RunSystemLevelTest(settings.RunSLTMode) != 1)
        return 0;
    if (!RestartUntilReady(WorkerRestartTries))
        return 0;
    WritePreamble();
    IdentifyChip(settings);
    // From the lock to its restore no other worker may drive the chip: its download
    // would run unlocked, or its restore would lock the chip for good.
    DeviceSession session;
    BYTE lock = 0;
    if (!ReadChipRegister(RegisterReadyLock, lock)) {
        platform::DebugPrintf("\t  Lock_SPI Fail");
        return 0;
    }
    WriteChipRegister(RegisterReadyLock, lock | SpiLock);
    if (ReadChipProductId() == ChipProductId::RZ524) {
        platform::DebugPrintf("  RZ524 eFuse trim: Reg[0x%04X]=0xF5", RegisterTrimSelect);
        WriteChipRegister(RegisterTrimSelect, 0xF5);
    }
    const int result = Libusb_FW_DL(param, spiType);
    WriteChipRegister(RegisterReadyLock, lock);
    return result;
}
