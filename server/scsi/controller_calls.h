// The controller commands that both interfaces send (the vendor slots and the NAND format
// alike), each in one place: a byte of the XDATA register space (vendor group 0x01, sub
// 0x04 read, 0x05 write), the CPU reset (group 0x02 sub 0x01), the 48-byte LUN
// configuration (group 0x02, sub 0x88 read, 0x8A write), the flash id of one chip enable
// (group 0x90 sub 0x82, 64 bytes) and the erase of one flash block (group 0x95 sub 0x8E,
// one status byte in).
#pragma once

#include "platform/debug/debug.h"
#include "server/scsi/vcomm_control.h"

namespace scsi {

// The XDATA registers the station reads and writes.
namespace reg {
constexpr WORD kChipReset = 0x0001;
constexpr WORD kCpuControl = 0x001C;
constexpr WORD kCorePower = 0x047E;
constexpr WORD kFlashAccess = 0x2600;
constexpr WORD kEccSetting = 0x2608;   // (value & 0x03) == 2 is the strongest
constexpr WORD kEncryption = 0x2809;   // bit 0 set: the controller encrypts NAND data
constexpr WORD kResetTrigger = 0x2311;
constexpr WORD kVbList = 0x6900;
} // namespace reg

constexpr BYTE kEncryptionOn = 0x01;

// An ECC setting raised to the strongest, its other bits kept.
constexpr BYTE StrongestEcc(BYTE setting)
{
    return static_cast<BYTE>((setting & 0xFE) | 0x02);
}

// One register byte read into `value`, the buffer preset to 0xFF; with `ffFails` a value
// of 0xFF (nothing came back) counts as failed and `value` is left as it was.
bool ReadXdataByte(CVCommCMDControl& sender, HANDLE device, WORD address, BYTE& value, bool ffFails = false);
bool WriteXdataByte(CVCommCMDControl& sender, HANDLE device, WORD address, BYTE value);

constexpr DWORD kLunConfigurationLength = 48;
constexpr DWORD kFlashIdLength = 64;

int SendCpuReset(CVCommCMDControl& sender, HANDLE device);
int TransferLunConfiguration(CVCommCMDControl& sender, HANDLE device, bool read, BYTE* buffer48);
int ReadFlashId(CVCommCMDControl& sender, HANDLE device, BYTE chip, BYTE* out64);
int EraseFlashBlock(CVCommCMDControl& sender, HANDLE device, DWORD row, BYTE* status1);

// Retries `step` up to `attempts` times, writing `retryLine` after each failed attempt
// (none when null); true at the first success.
template <class Step>
bool Retry(int attempts, const char* retryLine, Step step)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (step())
            return true;
        if (retryLine != nullptr)
            OutputDebugStringA(retryLine);
    }
    return false;
}

} // namespace scsi
