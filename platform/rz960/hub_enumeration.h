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

// A device's identity from the texts of its sysfs attributes idProduct, idVendor,
// bcdDevice (hexadecimal) and speed (Mbit/s, generation 0 when unknown); an attribute that
// is missing (nullptr) or holds no number of its field counts 0.
HubIdentity HubIdentityOf(const char* idProduct, const char* idVendor, const char* bcdDevice, const char* speed);

// The device nodes ("/dev/bus/usb/BBB/DDD") of the matching devices, in udev's order.
std::vector<std::string> FindHubs(const std::vector<HubIdentity>& wanted);

} // namespace platform
