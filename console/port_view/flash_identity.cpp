#include "console/port_view/flash_identity.h"

#include <cstring>

namespace {

constexpr std::size_t kGroupBytes = 16;
constexpr std::size_t kReferenceIdBytes = 8;

bool GroupRepeats(const FlashIdReply& reply, int group, const FlashIdReply& chipEnable0)
{
    return std::memcmp(reply.data() + kGroupBytes * static_cast<std::size_t>(group), chipEnable0.data(), kReferenceIdBytes) ==
           0;
}

DWORD BigEndian32(const BYTE* at)
{
    return DWORD{at[0]} << 24 | DWORD{at[1]} << 16 | DWORD{at[2]} << 8 | at[3];
}

} // namespace

int FlashChannelCount(const FlashIdReply& chipEnable0)
{
    int channels = 1;
    while (channels < kMostFlashChannels && GroupRepeats(chipEnable0, channels, chipEnable0))
        ++channels;
    return channels;
}

bool ChipEnableRepeats(const FlashIdReply& reply, int channels, const FlashIdReply& chipEnable0)
{
    for (int group = 0; group < channels && group < kMostFlashChannels; ++group)
        if (!GroupRepeats(reply, group, chipEnable0))
            return false;
    return true;
}

CisCapacities CisBlockCapacities(const CISImage& deviceOrder)
{
    CISImage host = deviceOrder;
    CisPart2ToBigEndian(host.Part2());
    CisCapacities capacities{host.Dword(cis::kPhysicalCapacity), {}};
    for (std::size_t lun = 0; lun < cis::kLunCount; ++lun)
        capacities.luns[lun] = BigEndian32(deviceOrder.bytes + cis::kLunCapacity + 4 * lun);
    return capacities;
}
