#include "platform/fileapi/shell.h"

#include "platform/debug/debug.h"

void SHChangeNotify(LONG eventId, UINT flags, LPCVOID item1, LPCVOID)
{
    const char* path = flags == SHCNF_PATHA && item1 != nullptr ? static_cast<const char*>(item1) : "";
    platform::DebugPrintf("SHChangeNotify(0x%08X, %s): no shell to notify", static_cast<unsigned>(eventId), path);
}
