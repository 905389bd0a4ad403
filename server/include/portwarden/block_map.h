// The server's flash block map: one header for all ports and one record per port, each
// allocated by the server and owned by the caller between CreateUFDBlockMap and
// DeleteUFDBlockMap. The program only picks a port's record and reads its counts.
// Pointers are 8 bytes on this platform; every field after one moves accordingly.
#pragma once

#include "platform/base/wintypes.h"

#pragma pack(push, 1)

struct UFDPortBlockMap {
    BYTE channelCount;       // 0
    BYTE ceCount;            // 1
    INT bitmapBytes;         // 2   bytes 4..5 may carry the flash's extended block count
    INT badBlockCount[16];   // 6   path index = CE index x channel count + channel index
    BYTE** rows[4];          // 70  per CE: one bitmap pointer per channel
};

struct UFDBlockMap {
    BYTE portCount;                 // 0  records set in `ports`
    BYTE channelCount;              // 1
    BYTE ceCount;                   // 2
    UFDPortBlockMap* ports[32];     // 3  only the first `portCount` are set
};

#pragma pack(pop)

static_assert(sizeof(UFDPortBlockMap) == 102, "UFDPortBlockMap keeps its packed layout");
static_assert(sizeof(UFDBlockMap) == 259, "UFDBlockMap keeps its packed layout");

// A port's record, or null when the map holds none for it: a map is made for fewer ports
// than the largest view has, and the pointers past its port count are not set.
inline UFDPortBlockMap* PortBlockMap(const UFDBlockMap& map, int port)
{
    if (port < 0 || port >= map.portCount || port >= 32)
        return nullptr;
    return map.ports[port];
}
