// The /dev node of one logical unit of a simulated disk: SG_IO requests on it reach the
// disk model as ScsiExchanges, and the model's answer goes back in the request's header,
// sense buffer and data buffer. Any other ioctl fails with ENOTTY.
#pragma once

#include "sim/core/device_call.h"
#include "sim/disk/flash_disk.h"

#include <atomic>

namespace sim {

class SgIoNode : public DeviceNode {
public:
    SgIoNode(FlashDisk& disk, unsigned lun) : disk_(disk), lun_(lun) {}
    Reply Ioctl(DeviceCall& call) override;
    void Opened(ClientId client) override;
    // How often the node was opened: on a real removable disk every open polls the medium.
    unsigned opens() const { return opens_; }

private:
    FlashDisk& disk_;
    unsigned lun_;
    std::atomic<unsigned> opens_{0};
};

} // namespace sim
