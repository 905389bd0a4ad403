#include "server/shell/port_device.h"

#include "platform/debug/debug.h"
#include "server/disk/disk_index.h"

namespace portwarden {

bool BufferGiven(const void* buffer, INT length)
{
    if (buffer != nullptr || length == 0)
        return true;
    platform::DebugPrintf("no buffer given for %d bytes", length);
    return false;
}

bool FitsWord(INT value, const char* what)
{
    if (value >= 0 && value <= 0xFFFF)
        return true;
    platform::DebugPrintf("%s %d refused: it does not fit 16 bits", what, value);
    return false;
}

} // namespace portwarden
