// The flash-drive worker: one run on one port, started by the port view with the port's
// PortThreadParam when the station runs in flash-drive mode. It takes one USB flash drive
// through the production sequence (system table, CIS, ISP firmware, boot code, LUN images,
// stress test), each step skippable by TestProcedureMask and three of them retried by
// restarting the whole sequence; then it writes the result log, posts progress 0..1200 and
// exactly one result, and returns only after the view has released the port's event.
#pragma once

#include "platform/base/wintypes.h"

DWORD UFDRunThread(LPVOID portThreadParam);
