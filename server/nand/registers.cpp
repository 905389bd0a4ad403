#include "server/nand/registers.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

namespace nand {
namespace {

constexpr BYTE kRegisterRead = 0x04;
constexpr BYTE kRegisterWrite = 0x05;
constexpr DWORD kEncryptionPauseMs = 10;

} // namespace

bool ReadRegister(const NandPort& port, WORD address, BYTE& value, bool ffFails)
{
    BYTE read = 0xFF;
    if (port.vendor.VendorRead(port.device, kRegisterRead, 0, 0, address, 1, &read) != 1)
        return false;
    if (ffFails && read == 0xFF)
        return false;
    value = read;
    return true;
}

bool WriteRegister(const NandPort& port, WORD address, BYTE value)
{
    return port.vendor.VendorWrite(port.device, kRegisterWrite, 0, 0, address, 1, &value) == 1;
}

bool ReadEncryption(const NandPort& port, BYTE& value, const char* retryLine)
{
    return Retry(kDeviceAttempts, retryLine, [&] { return ReadRegister(port, reg::kEncryption, value, true); });
}

bool WriteEncryption(const NandPort& port, BYTE value, const char* retryLine)
{
    return Retry(kDeviceAttempts, retryLine, [&] {
        Sleep(kEncryptionPauseMs);
        return WriteRegister(port, reg::kEncryption, value);
    });
}

void LogCoreRegisters(const NandPort& port)
{
    BYTE value = 0;
    if (ReadRegister(port, reg::kCorePower, value))
        platform::DebugPrintf(" @@ Core Power [0x047E] = 0x%02X", unsigned{value});
    if (ReadRegister(port, reg::kEccSetting, value))
        platform::DebugPrintf(" @@ ECC Setting [0x2608] = 0x%02X", unsigned{value});
}

} // namespace nand
