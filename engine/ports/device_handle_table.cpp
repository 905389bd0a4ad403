#include "engine/ports/device_handle_table.h"

HANDLE DeviceHandleTable[kPortCount] = {};

std::optional<BYTE> DeviceHandleIndex(int port)
{
    if (port < 0 || port >= kPortCount)
        return std::nullopt;
    return static_cast<BYTE>(port);
}
