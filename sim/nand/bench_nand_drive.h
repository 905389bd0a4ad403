// A flash drive of the bench with NAND behind its controller: the controller model with
// its disk nodes (BenchDisk) and the NAND model attached to it.
#pragma once

#include "sim/disk/bench_disk.h"
#include "sim/nand/nand_controller.h"

namespace sim::nand {

class BenchNandDrive {
public:
    explicit BenchNandDrive(NandConfig config, DiskPlacement placement = {}, std::uint64_t sectors = 0x100000,
                            DiskIdentity identity = {});

    NandController& nand() { return nand_; }
    FlashDisk& disk() { return disk_.model(); }
    // The testbed must not outlive the drive: declare the drive before the testbed.
    void Publish(Testbed& testbed) { disk_.Publish(testbed); }
    std::string DevNode() const { return disk_.DevNode(0); }

private:
    BenchDisk disk_;
    NandController nand_;
};

// Placements of several drives on one bench, each with its own SCSI host and disk letter.
DiskPlacement NthDrivePlacement(unsigned n);

} // namespace sim::nand
