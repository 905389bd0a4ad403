// The bench's disks are named and numbered as Linux names them, so that a bench of 32
// drives has 32 disks: sda .. sdz, sdaa on, 16 disks to a major number.
#include "sim/core/testbed.h"
#include "sim/disk/bench_disk.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string ReadLine(const std::string& path)
{
    std::string line;
    std::getline(std::ifstream(path), line);
    return line;
}

TEST(BenchDiskNames, DisksAreNamedAndNumberedAsLinuxDoes)
{
    struct Case {
        unsigned index; // the disk's place as Linux counts sd disks
        const char* name;
        const char* numbers;
    };
    const Case cases[] = {{1, "sdb", "8:16"},   {15, "sdp", "8:240"},  {16, "sdq", "65:0"}, {25, "sdz", "65:144"},
                          {26, "sdaa", "65:160"}, {27, "sdab", "65:176"}, {32, "sdag", "66:0"}, {52, "sdba", "67:64"}};
    std::vector<std::unique_ptr<sim::BenchDisk>> disks;
    for (const Case& c : cases) {
        sim::DiskPlacement placement;
        placement.interfacePath = "pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(c.index) + "/1-" +
                                  std::to_string(c.index) + ":1.0";
        placement.scsiHost = 6 + c.index;
        placement.firstDiskLetter = static_cast<char>('a' + c.index);
        placement.mbrSignature = 0x1000 + c.index;
        disks.push_back(std::make_unique<sim::BenchDisk>(sim::DiskIdentity{}, std::vector<std::uint64_t>{8192}, placement));
    }
    sim::Testbed testbed; // after the disks: their nodes must outlive it
    for (std::size_t n = 0; n < disks.size(); ++n) {
        const Case& c = cases[n];
        disks[n]->Publish(testbed);
        EXPECT_EQ(disks[n]->DevNode(0), std::string("/dev/") + c.name) << c.index;
        EXPECT_EQ(ReadLine(testbed.RootDir() + "/sys/block/" + c.name + "/dev"), c.numbers) << c.index;
        const std::string partition = std::string(c.name) + "1";
        EXPECT_EQ(disks[n]->PartitionNode(), "/dev/" + partition) << c.index;
        std::string numbers = c.numbers;
        numbers = numbers.substr(0, numbers.find(':') + 1) + std::to_string(std::stoul(numbers.substr(numbers.find(':') + 1)) + 1);
        EXPECT_EQ(ReadLine(testbed.RootDir() + "/sys/block/" + c.name + "/" + partition + "/dev"), numbers) << c.index;
    }
}

} // namespace
