#include "sim/nand/bench_nand_drive.h"

namespace sim::nand {

BenchNandDrive::BenchNandDrive(NandConfig config, DiskPlacement placement, std::uint64_t sectors, DiskIdentity identity)
    : disk_(std::move(identity), {sectors}, std::move(placement)), nand_(std::move(config))
{
    disk_.model().SetRecording(false);
    nand_.Attach(disk_.model());
}

DiskPlacement NthDrivePlacement(unsigned n)
{
    DiskPlacement placement;
    placement.interfacePath = "pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(n + 1) + "/1-" +
                              std::to_string(n + 1) + ":1.0";
    placement.scsiHost = 6 + n;
    placement.firstDiskLetter = static_cast<char>('b' + n);
    return placement;
}

} // namespace sim::nand
