// The controller registers the flash procedures read and write one byte at a time
// (XDATA, vendor group 0x01 subs 4 and 5).
#pragma once

#include "server/nand/nand_port.h"

namespace nand {

namespace reg {
constexpr WORD kChipReset = 0x0001;
constexpr WORD kCpuControl = 0x001C;
constexpr WORD kCorePower = 0x047E;
constexpr WORD kFlashAccess = 0x2600;
constexpr WORD kEccSetting = 0x2608;
constexpr WORD kEncryption = 0x2809;
constexpr WORD kResetTrigger = 0x2311;
constexpr WORD kVbList = 0x6900;
} // namespace reg

// One read; with `ffFails` a value of 0xFF (the preset of the buffer) counts as failed.
bool ReadRegister(const NandPort& port, WORD address, BYTE& value, bool ffFails = false);
bool WriteRegister(const NandPort& port, WORD address, BYTE value);

// The encryption register: read with up to 10 attempts (0xFF counts as failed), written
// with up to 10 attempts, each after a 10 ms pause.
bool ReadEncryption(const NandPort& port, BYTE& value, const char* retryLine);
bool WriteEncryption(const NandPort& port, BYTE value, const char* retryLine);

// The two registers a failed stress test or grading reports.
void LogCoreRegisters(const NandPort& port);

} // namespace nand
