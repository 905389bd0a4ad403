// The shell's change notification. Linux has no shell that keeps a view of the drives,
// so a notification is only written as a debug line.
#pragma once

#include "platform/base/wintypes.h"

constexpr LONG SHCNE_MEDIAREMOVED = 0x00000040;
constexpr UINT SHCNF_PATHA = 0x0001;

void SHChangeNotify(LONG eventId, UINT flags, LPCVOID item1, LPCVOID item2);
