#include "server/nand/controller_ops.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "server/disk/disk_volumes.h"
#include "server/nand/registers.h"
#include "server/scsi/scsi_request.h"

#include <array>

namespace nand {
namespace {

constexpr BYTE kIspLoad = 0x81;
constexpr BYTE kDdrResetSub = 0x02;
constexpr int kIspReadyPolls = 5;
constexpr DWORD kIspReadyPauseMs = 200;
constexpr int kCpuResetRounds = 30;
constexpr int kCpuReadyPolls = 6;
constexpr DWORD kCpuReadyPauseMs = 1000;
constexpr DWORD kDdrTestGroup = 0xF1EE;

// TEST UNIT READY: true when the device answered with status 0.
bool Ready(const NandPort& port, const char* failLine)
{
    UCHAR status = 0xFF;
    if (port.standard.SendTestUnitReady(port.device, 0, 0, 0, &status) != 1) {
        OutputDebugStringA(failLine);
        return false;
    }
    return status == 0;
}

// One round of the reset trigger; the failed step's mark, or null.
const char* TriggerCpuReset(const NandPort& port)
{
    BYTE control = 0;
    if (!ReadRegister(port, reg::kCpuControl, control))
        return "_F1";
    if (!WriteRegister(port, reg::kCpuControl, static_cast<BYTE>(control | 0x40)))
        return "_F2";
    if (!WriteRegister(port, reg::kResetTrigger, 1))
        return "_F3";
    return nullptr;
}

} // namespace

INT InitIsp(const NandPort& port, INT loadParameter, INT length, const BYTE* data)
{
    if (length <= 0 || static_cast<DWORD>(length) > scsi::kMaxDataLength || data == nullptr) {
        platform::DebugPrintf(" @@ ISP length %d refused", length);
        return 0;
    }
    if (DisMountVolume(port.device, FALSE) != 1)
        OutputDebugStringA(" @@ ISP loaded over a volume still mounted");
    const DWORD address = static_cast<DWORD>(loadParameter) & ~DWORD{1};
    const INT result =
        port.vendor.ISPAccessWrite(port.device, kIspLoad, 0, 0, address, static_cast<DWORD>(length), data);
    if ((loadParameter & 1) != 0)
        for (int poll = 0; poll < kIspReadyPolls; ++poll) {
            Sleep(kIspReadyPauseMs);
            platform::DebugPrintf(" Sent TURdy(%d)", poll);
            if (Ready(port, "TURdy_Fail"))
                break;
        }
    return result;
}

INT CpuReset(const NandPort& port)
{
    bool triggered = false;
    for (int round = 0; round < kCpuResetRounds && !triggered; ++round) {
        const char* failed = TriggerCpuReset(port);
        if (failed != nullptr)
            platform::DebugPrintf("CPUReset_UFD(%d)%s", port.index, failed);
        triggered = failed == nullptr;
    }
    bool configured = false;
    if (triggered && scsi::SendCpuReset(port.vendor, port.device) == 1) {
        std::array<BYTE, scsi::kLunConfigurationLength> config{};
        configured = scsi::TransferLunConfiguration(port.vendor, port.device, true, config.data()) == 1;
        if (configured && (config[0x20] & 0xF0) == 0x10) {
            const BYTE changed = static_cast<BYTE>((config[0x20] & 0x0F) | 0x60);
            platform::DebugPrintf(" CPUReset Change buf[0x20] %02X -> %02X", unsigned{config[0x20]}, unsigned{changed});
            config[0x20] = changed;
            configured = scsi::TransferLunConfiguration(port.vendor, port.device, false, config.data()) == 1;
        }
    }
    if (!configured) {
        OutputDebugStringA("CPU Rst Fail");
        return 0;
    }
    for (int poll = 0; poll < kCpuReadyPolls; ++poll) {
        Sleep(kCpuReadyPauseMs);
        if (Ready(port, "TURDY_Fail"))
            return 1;
    }
    platform::DebugPrintf("CPU_Rst_Timeout(%d)", port.index);
    return 0;
}

INT ChipReset(const NandPort& port)
{
    BYTE control = 0;
    bool done = ReadRegister(port, reg::kCpuControl, control) &&
                WriteRegister(port, reg::kCpuControl, static_cast<BYTE>(control & ~0x20));
    for (BYTE value : {BYTE{0x80}, BYTE{0x00}, BYTE{0x80}, BYTE{0x80}})
        done = WriteRegister(port, reg::kChipReset, value) && done;
    return done ? 1 : 0;
}

INT ChipResetEx(const NandPort& port)
{
    OutputDebugStringA("@@ Reset DDR Flash");
    BYTE data[1] = {};
    port.vendor.TestCommandRead(port.device, kDdrTestGroup, 0, 0x10000, 0, 0, data); // its answer changes nothing
    return port.vendor.ConfigureLUNWrite(port.device, kDdrResetSub, 0, 0, 0, 0, nullptr);
}

INT CacheClear(const NandPort& port)
{
    return port.vendor.CacheClear(port.device, 0, 0);
}

INT MediumLoadUnload(const NandPort& port, INT lun, INT control)
{
    return port.standard.SCSI_LoadUnload(port.device, static_cast<UCHAR>(lun), 0, 0, static_cast<UCHAR>(control));
}

} // namespace nand
