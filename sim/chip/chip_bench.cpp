#include "sim/chip/chip_bench.h"

namespace sim {

Rz52xChip& ChipBench::AddChip(ChipConfig config)
{
    auto chip = std::make_unique<Rz52xChip>(std::move(config));
    Rz52xChip& added = *chip;
    devices_.push_back(std::move(chip));
    added.SetUnplugHandler([this, &added] { testbed_.Unplug(added.SysPath()); });
    Attach(added);
    return added;
}

HubModel& ChipBench::AddHub(HubConfig config)
{
    auto hub = std::make_unique<HubModel>(config);
    HubModel& added = *hub;
    devices_.push_back(std::move(hub));
    Attach(added);
    return added;
}

void ChipBench::Attach(UsbDevice& device)
{
    testbed_.Plug(device.Record());
    testbed_.Attach(device.DevNode(), device);
}

void ChipBench::Unplug(UsbDevice& device)
{
    device.MarkGone();
    testbed_.Unplug(device.SysPath());
}

} // namespace sim
