// Per-device slots take a port index into the caller's 32-entry handle table.
#pragma once

#include "platform/debug/debug.h"
#include "portwarden/records.h"

inline bool PortIndexFits(unsigned index)
{
    if (index < kPortCount)
        return true;
    platform::DebugPrintf("port index %u refused", index);
    return false;
}

// A handle table is given and the index lies inside it.
inline bool PortDeviceGiven(HANDLE* handles, unsigned index)
{
    if (handles == nullptr) {
        OutputDebugStringA("no device handle table given");
        return false;
    }
    return PortIndexFits(index);
}
