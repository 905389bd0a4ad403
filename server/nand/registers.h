// The controller registers the flash procedures read and write one byte at a time, on the
// port's device (server/scsi/controller_calls.h).
#pragma once

#include "server/nand/nand_port.h"
#include "server/scsi/controller_calls.h"

namespace nand {

namespace reg = scsi::reg;

// One read; with `ffFails` a value of 0xFF (the preset of the buffer) counts as failed.
inline bool ReadRegister(const NandPort& port, WORD address, BYTE& value, bool ffFails = false)
{
    return scsi::ReadXdataByte(port.vendor, port.device, address, value, ffFails);
}
inline bool WriteRegister(const NandPort& port, WORD address, BYTE value)
{
    return scsi::WriteXdataByte(port.vendor, port.device, address, value);
}

// The encryption register: read with up to 10 attempts (0xFF counts as failed), written
// with up to 10 attempts, each after a 10 ms pause.
bool ReadEncryption(const NandPort& port, BYTE& value, const char* retryLine);
bool WriteEncryption(const NandPort& port, BYTE value, const char* retryLine);

// The two registers a failed stress test or grading reports.
void LogCoreRegisters(const NandPort& port);

} // namespace nand
