#include "sim/usbbus/usb_node.h"

#include "sim/core/testbed.h"

#include <cstdio>

namespace sim {
namespace {

constexpr const char* kController = "/devices/pci0000:00/0000:00:14.0";

std::string Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

void Le16(std::vector<std::uint8_t>& bytes, unsigned value)
{
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

std::vector<std::uint8_t> Descriptors(const UsbNodeSpec& spec)
{
    const bool hub = spec.portCount > 0;
    std::vector<std::uint8_t> d{18, 1};
    Le16(d, spec.speedMbps >= 5000 ? 0x0300 : 0x0200);
    d.insert(d.end(), {static_cast<std::uint8_t>(hub ? 9 : 0), 0, static_cast<std::uint8_t>(hub ? 1 : 0), 64});
    Le16(d, spec.vendorId);
    Le16(d, spec.productId);
    Le16(d, spec.bcdDevice);
    d.insert(d.end(), {static_cast<std::uint8_t>(spec.manufacturer ? 1 : 0), static_cast<std::uint8_t>(spec.product ? 2 : 0),
                       static_cast<std::uint8_t>(spec.serial ? 3 : 0), 1});
    const unsigned endpoints = hub ? 1 : 2;
    d.insert(d.end(), {9, 2});
    Le16(d, 9 + 9 + 7 * endpoints);
    d.insert(d.end(), {1, 1, 0, 0x80, 50});
    d.insert(d.end(), {9, 4, 0, 0, static_cast<std::uint8_t>(endpoints), static_cast<std::uint8_t>(hub ? 9 : spec.interfaceClass),
                       spec.interfaceSubClass, spec.interfaceProtocol, 0});
    for (unsigned e = 0; e < endpoints; ++e)
        d.insert(d.end(), {7, 5, static_cast<std::uint8_t>(e == 0 ? 0x81 : 0x02), static_cast<std::uint8_t>(hub ? 3 : 2), 0x00,
                           0x02, static_cast<std::uint8_t>(hub ? 12 : 0)});
    return d;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    for (auto b : bytes)
        text += Hex(b, 2);
    return text;
}

} // namespace

std::string UsbSysName(const UsbNodeSpec& spec)
{
    if (spec.ports.empty())
        return "usb" + std::to_string(spec.bus);
    std::string name = std::to_string(spec.bus) + "-" + std::to_string(spec.ports[0]);
    for (std::size_t i = 1; i < spec.ports.size(); ++i)
        name += "." + std::to_string(spec.ports[i]);
    return name;
}

std::string UsbSysPath(const UsbNodeSpec& spec)
{
    std::string path = std::string("/sys") + kController + "/usb" + std::to_string(spec.bus);
    UsbNodeSpec hop = spec;
    for (std::size_t depth = 1; depth <= spec.ports.size(); ++depth) {
        hop.ports.assign(spec.ports.begin(), spec.ports.begin() + static_cast<long>(depth));
        path += "/" + UsbSysName(hop);
    }
    return path;
}

std::string UsbInterfacePath(const UsbNodeSpec& spec)
{
    const std::string name = spec.ports.empty() ? std::to_string(spec.bus) + "-0" : UsbSysName(spec);
    return UsbSysPath(spec) + "/" + name + ":1.0";
}

std::string UsbNodeRecord(const UsbNodeSpec& spec)
{
    const std::string sysName = UsbSysName(spec);
    const std::string path = UsbSysPath(spec).substr(4);
    const std::string busText = Hex(spec.bus, 3), devText = Hex(spec.devnum, 3);
    std::string r;
    if (spec.ports.empty() && spec.bus == 1)
        r += std::string("P: ") + kController + "\nE: SUBSYSTEM=pci\nA: vendor=0x8086\nA: device=0xa36d\n\n";
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%03u/%03u", spec.bus, spec.devnum);
    r += "P: " + path + "\nN: bus/usb/" + numbers + "\n";
    r += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=/dev/bus/usb/" + std::string(numbers) + "\n";
    r += "E: DRIVER=usb\n";
    r += "A: idVendor=" + Hex(spec.vendorId, 4) + "\nA: idProduct=" + Hex(spec.productId, 4) + "\n";
    r += "A: bcdDevice=" + Hex(spec.bcdDevice, 4) + "\n";
    r += std::string("A: bDeviceClass=") + (spec.portCount > 0 ? "09" : "00") + "\nA: bDeviceSubClass=00\n";
    r += "A: bDeviceProtocol=00\nA: bMaxPacketSize0=64\nA: bNumConfigurations=1\nA: bConfigurationValue=1\n";
    r += "A: bNumInterfaces= 1\nA: bmAttributes=80\nA: configuration=\n";
    r += "A: speed=" + std::to_string(spec.speedMbps) + "\nA: maxchild=" + std::to_string(spec.portCount) + "\n";
    r += "A: busnum=" + std::to_string(spec.bus) + "\nA: devnum=" + std::to_string(spec.devnum) + "\n";
    r += std::string("A: version=") + (spec.speedMbps >= 5000 ? " 3.00" : " 2.00") + "\nA: rx_lanes=1\nA: tx_lanes=1\n";
    r += "A: devpath=" + (spec.ports.empty() ? std::string("0") : sysName.substr(sysName.find('-') + 1)) + "\n";
    if (spec.manufacturer)
        r += "A: manufacturer=" + *spec.manufacturer + "\n";
    if (spec.product && spec.productAnswers)
        r += "A: product=" + *spec.product + "\n";
    if (spec.serial)
        r += "A: serial=" + *spec.serial + "\n";
    if (!spec.ports.empty())
        r += "A: remove=\n"; // "1" written here asks the kernel to disconnect the device
    r += "H: descriptors=" + HexBytes(Descriptors(spec)) + "\n\n";
    const bool hub = spec.portCount > 0;
    r += "P: " + UsbInterfacePath(spec).substr(4) + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n";
    r += std::string("E: DRIVER=") + (hub ? "hub" : spec.interfaceProtocol == 0x62 ? "uas" : "usb-storage") + "\n";
    r += "A: bInterfaceNumber=00\nA: bAlternateSetting= 0\nA: bNumEndpoints=" + std::string(hub ? "01" : "02") + "\n";
    r += "A: bInterfaceClass=" + Hex(hub ? 9 : spec.interfaceClass, 2) + "\nA: bInterfaceSubClass=" +
         Hex(spec.interfaceSubClass, 2) + "\nA: bInterfaceProtocol=" + Hex(spec.interfaceProtocol, 2) + "\n\n";
    return r;
}

void UnplugUsbNode(Testbed& testbed, const UsbNodeSpec& spec)
{
    testbed.Unplug(UsbInterfacePath(spec));
    testbed.Unplug(UsbSysPath(spec));
}

} // namespace sim
