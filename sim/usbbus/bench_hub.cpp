#include "sim/usbbus/bench_hub.h"

#include "engine/usb/supported_devices.h"

namespace sim {

BenchHub::BenchHub(UsbNodeSpec spec) : spec_(std::move(spec)) {}

void BenchHub::Add(Testbed& testbed) const
{
    testbed.Add(UsbNodeRecord(spec_));
}

void BenchHub::Plug(Testbed& testbed) const
{
    testbed.Plug(UsbNodeRecord(spec_));
}

void BenchHub::Unplug(Testbed& testbed) const
{
    UnplugUsbNode(testbed, spec_);
}

UsbNodeSpec RootHubSpec(unsigned bus, unsigned ports, unsigned speedMbps)
{
    UsbNodeSpec spec;
    spec.bus = bus;
    spec.devnum = 1;
    spec.vendorId = 0x1D6B;
    spec.productId = speedMbps >= 5000 ? 0x0003 : 0x0002;
    spec.bcdDevice = 0x0601;
    spec.speedMbps = speedMbps;
    spec.portCount = ports;
    return spec;
}

UsbNodeSpec HubSpec(unsigned bus, std::vector<unsigned> chain, unsigned devnum, unsigned ports)
{
    UsbNodeSpec spec;
    spec.bus = bus;
    spec.ports = std::move(chain);
    spec.devnum = devnum;
    spec.vendorId = 0x05E3;
    spec.productId = 0x0610;
    spec.bcdDevice = 0x9226;
    spec.portCount = ports;
    spec.product = "USB2.0 Hub";
    return spec;
}

UsbNodeSpec MakerHubSpec(unsigned bus, std::vector<unsigned> chain, unsigned devnum, unsigned ports)
{
    UsbNodeSpec spec = HubSpec(bus, std::move(chain), devnum, ports);
    spec.vendorId = MakerVendorId;
    spec.productId = 0x5421;
    spec.bcdDevice = 0x0518;
    return spec;
}

} // namespace sim
