// The flash drives the station's bench puts on the ports of a root hub: the maker's USB
// flash drive with NAND behind its controller, where the 32-port view's walk finds it.
#pragma once

#include "sim/nand/nand_controller.h"
#include "sim/usbbus/bench_flash_drive.h"
#include "sim/usbbus/bench_hub.h"

#include <string>
#include <utility>

namespace sim {

// Members in this order: the drive goes before the NAND it calls.
struct StationFlashDrive {
    StationFlashDrive(nand::NandConfig config, const DrivePlacement& place, const std::string& serial,
                      std::uint64_t sectors = 0x40000)
        : nand(std::move(config)), drive(FlashDriveSpec(place, serial), DiskIdentity{}, {sectors}, place)
    {
        nand.Attach(drive.model());
    }

    nand::NandController nand;
    BenchFlashDrive drive;
};

// A small flash: 1024 blocks per path of 64 pages of 2 KiB.
inline nand::NandConfig StationFlash(unsigned ces = 1, unsigned channels = 1)
{
    nand::NandConfig config;
    config.geometry.ceCount = ces;
    config.geometry.channelCount = channels;
    config.geometry.blocks = 1024;
    return config;
}

// Port `rootPort` (1-based) of the root hub of bus 1, with its own device number, SCSI host
// and disk.
inline DrivePlacement RootPortPlacement(unsigned rootPort)
{
    return DrivePlacement{1, {rootPort}, 10 + rootPort, 6 + rootPort, static_cast<char>('a' + rootPort)};
}

} // namespace sim
