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
