// A topology object with its SCSI layers and a table of 32 port records: what every walk
// test drives.
#pragma once

#include "server/topology/usb_topology.h"

#include <memory>

namespace topologytest {

struct Walker {
    int RunWalk() { return topology.EnumerateScanUSBPort(records.get()); }

    CSTDCMDControl standard;
    CVCommCMDControl vendor;
    TopologySwitches switches;
    UsbTopology topology{standard, vendor, switches};
    std::unique_ptr<PortRecord[]> records = std::make_unique<PortRecord[]>(kPortCount);
};

} // namespace topologytest
