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

std::vector<Rz52xChip*> ChipBench::AddChipsBehindHub(HubConfig hub, const ChipConfig& chip, int count)
{
    if (hub.portPath.empty())
        hub.portPath = std::to_string(hub.bus) + "-1";
    const std::string hubPath = hub.portPath;
    const int bus = hub.bus;
    AddHub(std::move(hub));
    std::vector<Rz52xChip*> chips;
    for (int port = 1; port <= count; ++port) {
        ChipConfig config = chip;
        config.bus = bus;
        config.portPath = hubPath + "." + std::to_string(port);
        chips.push_back(&AddChip(std::move(config)));
    }
    return chips;
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
