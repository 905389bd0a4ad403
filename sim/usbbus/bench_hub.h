// A hub of the bench: a root hub (no ports in its chain) or an external hub on a port.
#pragma once

#include "sim/core/testbed.h"
#include "sim/usbbus/usb_node.h"

namespace sim {

class BenchHub {
public:
    explicit BenchHub(UsbNodeSpec spec);
    const UsbNodeSpec& spec() const { return spec_; }
    std::string SysPath() const { return UsbSysPath(spec_); }
    void Add(Testbed& testbed) const;
    void Plug(Testbed& testbed) const;
    void Unplug(Testbed& testbed) const;

private:
    UsbNodeSpec spec_;
};

// A root hub of the bench's controller with `ports` ports.
UsbNodeSpec RootHubSpec(unsigned bus, unsigned ports, unsigned speedMbps = 480);
// An external hub at a place in the tree.
UsbNodeSpec HubSpec(unsigned bus, std::vector<unsigned> chain, unsigned devnum, unsigned ports);
// One of the maker's hubs (the USB 2 half of one of its hub kinds) at a place in the tree.
UsbNodeSpec MakerHubSpec(unsigned bus, std::vector<unsigned> chain, unsigned devnum, unsigned ports);

} // namespace sim
