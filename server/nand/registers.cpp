#include "server/nand/registers.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

namespace nand {
namespace {

constexpr DWORD kEncryptionPauseMs = 10;

} // namespace

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
