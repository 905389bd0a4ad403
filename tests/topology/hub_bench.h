// Benches for the list and poll of the maker's hubs: hubs and bare USB devices. The hub
// driver reports only descriptors, so the sticks here need no disks behind them.
#pragma once

#include "server/topology/hub_scan.h"
#include "sim/core/testbed.h"
#include "sim/usbbus/bench_flash_drive.h"
#include "sim/usbbus/bench_hub.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace hubtest {

// A mass-storage device at a place in the tree.
inline sim::UsbNodeSpec Stick(std::vector<unsigned> chain, unsigned devnum, unsigned speedMbps = 480)
{
    auto spec = sim::FlashDriveSpec(sim::DrivePlacement{1, std::move(chain), devnum, 0, 'b'});
    spec.speedMbps = speedMbps;
    return spec;
}

// A device that is no mass storage (a keyboard).
inline sim::UsbNodeSpec Keyboard(std::vector<unsigned> chain, unsigned devnum)
{
    sim::UsbNodeSpec spec;
    spec.ports = std::move(chain);
    spec.devnum = devnum;
    spec.vendorId = 0x046D;
    spec.productId = 0xC31C;
    spec.speedMbps = 12;
    spec.interfaceClass = 3;
    return spec;
}

inline void Add(sim::Testbed& testbed, const sim::UsbNodeSpec& spec)
{
    testbed.Add(sim::UsbNodeRecord(spec));
}

// The caller's hub records with a guard record on each side, to see any write outside them.
class GuardedHubRecords {
public:
    explicit GuardedHubRecords(std::size_t count) : all_(count + 2)
    {
        std::memset(all_.data(), kGuard, sizeof(HubRecord) * all_.size());
    }
    HubRecord* records() { return all_.data() + 1; }
    HubRecord& operator[](std::size_t i) { return all_[i + 1]; }
    // Whether both guards are as they were.
    bool GuardsIntact() const
    {
        for (const HubRecord* guard : {&all_.front(), &all_.back()}) {
            const auto* bytes = reinterpret_cast<const BYTE*>(guard);
            for (std::size_t i = 0; i < sizeof(HubRecord); ++i)
                if (bytes[i] != kGuard)
                    return false;
        }
        return true;
    }

private:
    static constexpr BYTE kGuard = 0xA5;
    std::vector<HubRecord> all_;
};

} // namespace hubtest
