// Slots whose operations come with their own families later: each writes its entry line
// and fails, so callers see the slot exists and that it did nothing.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/debug/debug.h"

namespace portwarden {

inline INT EntryLineOnly(const char* line)
{
    OutputDebugStringA(line);
    return 0;
}

} // namespace portwarden
