// The /dev node of one logical unit of a simulated disk, answering what a USB disk's node
// answers: SG_IO requests reach the disk model as ScsiExchanges, and the model's answer
// goes back in the request's header, sense buffer and data buffer; the block-device size
// queries (BLKGETSIZE64, BLKSSZGET) and the partition re-read (BLKRRPART) answer from the
// unit; read() and write() move the unit's own sectors, which the node's file in the
// sandbox shows (BenchDisk links it to the unit's store), so the node and the SCSI commands
// see one set of contents. Without a medium, reads and writes fail with ENOMEDIUM and the
// size is 0. Any other ioctl fails with ENOTTY.
#pragma once

#include "sim/core/device_call.h"
#include "sim/disk/flash_disk.h"

#include <atomic>

namespace sim {

class SgIoNode : public DeviceNode {
public:
    SgIoNode(FlashDisk& disk, unsigned lun) : disk_(disk), lun_(lun) {}
    Reply Ioctl(DeviceCall& call) override;
    Reply Read(DeviceCall& call) override;
    Reply Write(DeviceCall& call) override;
    void Opened(ClientId client) override;
    // How often the node was opened: on a real removable disk every open polls the medium.
    unsigned opens() const { return opens_; }

private:
    Reply SgIo(DeviceCall& call);
    Reply Transfer() const;

    FlashDisk& disk_;
    unsigned lun_;
    std::atomic<unsigned> opens_{0};
};

} // namespace sim
