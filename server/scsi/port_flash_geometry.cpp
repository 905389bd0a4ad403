#include "server/scsi/port_flash_geometry.h"

#include "platform/debug/debug.h"

bool PortFlashGeometry::Set(BYTE port, FlashGeometry geometry)
{
    if (port >= kPorts) {
        platform::DebugPrintf("Flash geometry of port %u refused: no such port", unsigned{port});
        return false;
    }
    packed_[port].store(std::uint64_t{geometry.flashType} << 32 | std::uint64_t{geometry.pagesPerBlock} << 16 |
                        geometry.pageDataSize);
    return true;
}

FlashGeometry PortFlashGeometry::Get(BYTE port) const
{
    if (port >= kPorts)
        return {};
    const std::uint64_t packed = packed_[port].load();
    return FlashGeometry{static_cast<WORD>(packed >> 16), static_cast<WORD>(packed), static_cast<WORD>(packed >> 32)};
}
