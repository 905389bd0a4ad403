// A testbed with simulated chips and hubs on it: what a chip-mode test or the bench
// driver builds before it runs the station's code under umockdev-wrapper.
#pragma once

#include "sim/chip/rz52x_chip.h"
#include "sim/core/testbed.h"
#include "sim/hub/hub_model.h"

#include <memory>
#include <string>
#include <vector>

namespace sim {

class ChipBench {
public:
    ChipBench() = default;
    ChipBench(const ChipBench&) = delete;
    ChipBench& operator=(const ChipBench&) = delete;

    // Plugs a chip in; an Unplug fault of its config takes it off the bench.
    Rz52xChip& AddChip(ChipConfig config);
    HubModel& AddHub(HubConfig config);
    // A hub (on port 1 of its bus unless its config places it) with a chip of `chip` on
    // each of its ports 1..`count`, as a station has them; the chips in port order.
    std::vector<Rz52xChip*> AddChipsBehindHub(HubConfig hub, const ChipConfig& chip, int count);
    // Takes a device off the bus: its calls fail from now on and it leaves sysfs and /dev.
    void Unplug(UsbDevice& device);

    Testbed& testbed() { return testbed_; }

private:
    void Attach(UsbDevice& device);

    // Declared before the testbed so that they outlive its attachments.
    std::vector<std::unique_ptr<UsbDevice>> devices_;
    Testbed testbed_;
};

} // namespace sim
