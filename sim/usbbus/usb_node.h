// One USB device of the bench as sysfs shows it: the device folder with its attributes
// and descriptors, and its one interface. Root hubs, hubs and drives are all such nodes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class Testbed;

struct UsbNodeSpec {
    unsigned bus = 1;
    std::vector<unsigned> ports; // empty: the bus's root hub
    unsigned devnum = 1;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t bcdDevice = 0x0100;
    unsigned speedMbps = 480;
    unsigned portCount = 0; // non-zero: a hub with that many ports
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;
    std::optional<std::string> serial;
    // A string whose index the device declares but that it fails to return.
    bool productAnswers = true;
    std::uint8_t interfaceClass = 0;
    std::uint8_t interfaceSubClass = 0;
    std::uint8_t interfaceProtocol = 0;
};

std::string UsbSysName(const UsbNodeSpec& spec); // "usb1", "1-2.4"
std::string UsbSysPath(const UsbNodeSpec& spec); // "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.4"
// The sysfs folder of the device's one interface ("/sys/devices/.../1-2/1-2:1.0").
std::string UsbInterfacePath(const UsbNodeSpec& spec);
// The umockdev record of the device and its interface (and, for a root hub, its controller).
std::string UsbNodeRecord(const UsbNodeSpec& spec);
// Unplugs what UsbNodeRecord added, the interface first: each leaves with its own bus
// link, so that a replug finds none left behind.
void UnplugUsbNode(Testbed& testbed, const UsbNodeSpec& spec);

} // namespace sim
