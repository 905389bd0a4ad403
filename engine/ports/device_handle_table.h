// The program's DeviceHandleTable: one OS device handle per port index 0..31, kept for the
// whole run. The server opens handles into it and closes them on request; workers and
// views pass it with their port index to every per-device operation.
#pragma once

#include "platform/base/wintypes.h"
#include "portwarden/records.h"

#include <optional>

extern HANDLE DeviceHandleTable[kPortCount];

// The index byte for a port's entry. The server uses its index argument's low 8 bits as is,
// so a port outside 0..31 has none: it would reach past the table.
std::optional<BYTE> DeviceHandleIndex(int port);
