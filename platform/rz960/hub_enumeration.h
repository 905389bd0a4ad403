// The USB devices that match an entry of a hub enumeration table, as udev lists them.
#pragma once

#include "platform/base/wintypes.h"

#include <string>
#include <vector>

namespace platform {

struct HubIdentity {
    WORD productId = 0;
    WORD vendorId = 0;
    WORD releaseNumber = 0;
    BYTE generation = 0;

    bool operator==(const HubIdentity&) const = default;
};

// The device nodes ("/dev/bus/usb/BBB/DDD") of the matching devices, in udev's order.
std::vector<std::string> FindHubs(const std::vector<HubIdentity>& wanted);

} // namespace platform
