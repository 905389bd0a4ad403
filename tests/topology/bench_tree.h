// A bench of three hub tiers with the maker's drives on them, a drive of another maker,
// and a non-USB system disk; every disk holds one partition:
//   usb1 port 1: hub A     port 1: drive 2 (no serial)   port 2: drive 3 (no serial, same as 2)
//                          port 4: hub B                 port 3: drive 4 ("SN0004")
//   usb1 port 2: drive 1 ("SN0001")       usb1 port 3: another maker's drive
#pragma once

#include "sim/core/testbed.h"
#include "sim/usbbus/bench_flash_drive.h"
#include "sim/usbbus/bench_hub.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace topologytest {

inline sim::DiskIdentity Identity(const char* signature = "KQ8N")
{
    sim::DiskIdentity identity;
    identity.signature = signature;
    return identity;
}

inline sim::BenchFlashDrive Drive(std::vector<unsigned> chain, unsigned devnum, unsigned host, char letter,
                                  std::optional<std::string> serial, const char* signature = "KQ8N")
{
    sim::DrivePlacement place{1, std::move(chain), devnum, host, letter};
    sim::DriveMedia media;
    media.mbrSignature = 0x5EED0000u + devnum;
    return sim::BenchFlashDrive(sim::FlashDriveSpec(place, std::move(serial)), Identity(signature), {65536}, place, media);
}

class BenchTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.Add(testbed);
        hubA.Add(testbed);
        hubB.Add(testbed);
        for (auto* drive : {&drive1, &drive2, &drive3, &drive4, &foreign})
            drive->Add(testbed);
        testbed.Add("P: /devices/pci0000:00/0000:00:02.0/virtio1/block/vda\nN: vda\nE: SUBSYSTEM=block\n"
                    "E: DEVTYPE=disk\nE: DEVNAME=/dev/vda\nA: dev=254:0\nA: size=1000000\nL: device=../../../virtio1\n\n"
                    "P: /devices/pci0000:00/0000:00:02.0/virtio1/block/vda/vda1\nN: vda1\nE: SUBSYSTEM=block\n"
                    "E: DEVTYPE=partition\nE: DEVNAME=/dev/vda1\nA: dev=254:1\nA: partition=1\nA: start=2048\n"
                    "A: size=997952\n\n");
    }

    // What a replug of another device at drive 1's place leaves in sysfs, while drive 1's
    // node stays: a new entry in the bus's listing, and another serial number.
    void AnotherDeviceAnswersBehindDrive1()
    {
        const std::string folder = sim::UsbSysPath(sim::FlashDriveSpec({1, {2}, 10, 6, 'b'}));
        std::ofstream(testbed.RootDir() + folder + "/serial") << "SN0009\n";
        const std::string entry = testbed.RootDir() + "/sys/bus/usb/devices/" + folder.substr(folder.find_last_of('/') + 1);
        const auto target = std::filesystem::read_symlink(entry);
        std::filesystem::remove(entry);
        std::filesystem::create_symlink(target, entry);
    }

    // Drive 1's card leaves its reader: its disk still answers, but holds no volume to letter.
    void Drive1LosesItsMedium()
    {
        std::ofstream(testbed.RootDir() + "/sys/block/" + drive1.DiskNode().substr(5) + "/size") << "0\n";
    }

    sim::BenchFlashDrive drive1 = Drive({2}, 10, 6, 'b', "SN0001");
    sim::BenchFlashDrive drive2 = Drive({1, 1}, 11, 7, 'c', std::nullopt);
    sim::BenchFlashDrive drive3 = Drive({1, 2}, 12, 8, 'd', std::nullopt);
    sim::BenchFlashDrive drive4 = Drive({1, 4, 3}, 13, 9, 'e', "SN0004");
    sim::BenchFlashDrive foreign = Drive({3}, 14, 10, 'f', "OTHER1", "ABCD");
    sim::BenchHub root{sim::RootHubSpec(1, 4)};
    sim::BenchHub hubA{sim::HubSpec(1, {1}, 2, 4)};
    sim::BenchHub hubB{sim::HubSpec(1, {1, 4}, 3, 4)};
    sim::Testbed testbed; // last: the drives' nodes must outlive it
};

} // namespace topologytest
