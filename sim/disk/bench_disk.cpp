#include "sim/disk/bench_disk.h"

#include <sstream>

namespace sim {

namespace {

constexpr std::uint32_t kPartitionStart = 2048;

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A master boot record with one FAT32 (LBA) partition from kPartitionStart to the end.
std::vector<std::uint8_t> MasterBootRecord(std::uint32_t signature, std::uint64_t sectors)
{
    std::vector<std::uint8_t> mbr(512, 0);
    PutLe32(mbr, 440, signature);
    mbr[446 + 4] = 0x0C;
    PutLe32(mbr, 446 + 8, kPartitionStart);
    PutLe32(mbr, 446 + 12, static_cast<std::uint32_t>(sectors - kPartitionStart));
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    return mbr;
}

} // namespace

BenchDisk::BenchDisk(DiskIdentity identity, std::vector<std::uint64_t> lunSectors, DiskPlacement placement)
    : model_(std::move(identity), std::move(lunSectors)), placement_(std::move(placement))
{
    for (unsigned lun = 0; lun < model_.lunCount(); ++lun)
        nodes_.push_back(std::make_unique<SgIoNode>(model_, lun));
    if (placement_.mbrSignature)
        model_.WriteSectors(0, 0, MasterBootRecord(*placement_.mbrSignature, model_.lunSectors(0)));
}

std::string BenchDisk::PartitionNode() const
{
    return placement_.mbrSignature ? DevNode(0) + "1" : std::string();
}

unsigned BenchDisk::DiskIndex(unsigned lun) const
{
    return static_cast<unsigned char>(placement_.firstDiskLetter) - 'a' + lun;
}

// As Linux names them: sda .. sdz, then sdaa .. sdaz, sdba, ...
std::string BenchDisk::DiskName(unsigned lun) const
{
    if (IsCdrom(lun))
        return "sr" + std::to_string(placement_.scsiHost);
    std::string letters;
    for (unsigned index = DiskIndex(lun) + 1; index > 0; index = (index - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('a' + (index - 1) % 26));
    return "sd" + letters;
}

// sd disks take 16 minors each, 16 disks to a major: 8, then 65 on.
std::string BenchDisk::DiskNumbers(unsigned lun, unsigned partition) const
{
    const unsigned index = DiskIndex(lun);
    const unsigned major = index < 16 ? 8 : 65 + (index - 16) / 16;
    return std::to_string(major) + ":" + std::to_string(16 * (index % 16) + partition);
}

std::string BenchDisk::DevNode(unsigned lun) const
{
    return "/dev/" + DiskName(lun);
}

std::string BenchDisk::Record() const
{
    std::ostringstream record;
    unsigned host = placement_.scsiHost;
    for (unsigned lun = 0; lun < model_.lunCount(); ++lun) {
        std::string name = DiskName(lun);
        // CD-ROM drives are major 11.
        const std::string numbers = IsCdrom(lun) ? "11:" + std::to_string(placement_.scsiHost) : DiskNumbers(lun, 0);
        record << "P: /devices/" << placement_.interfacePath << "/host" << host << "/target" << host << ":0:0/" << host
               << ":0:0:" << lun << "/block/" << name << "\n"
               << "N: " << name << "\n"
               << "E: SUBSYSTEM=block\nE: DEVTYPE=disk\nE: DEVNAME=/dev/" << name << "\n"
               << "A: dev=" << numbers << "\nA: size=" << model_.lunSectors(lun) << "\nA: removable=1\n"
               << "L: device=../../../" << host << ":0:0:" << lun << "\n\n";
        if (lun == 0 && placement_.mbrSignature)
            record << "P: /devices/" << placement_.interfacePath << "/host" << host << "/target" << host << ":0:0/" << host
                   << ":0:0:0/block/" << name << "/" << name << "1\nN: " << name << "1\n"
                   << "E: SUBSYSTEM=block\nE: DEVTYPE=partition\nE: DEVNAME=/dev/" << name << "1\n"
                   << "A: dev=" << DiskNumbers(0, 1) << "\nA: partition=1\nA: start=" << kPartitionStart
                   << "\nA: size=" << model_.lunSectors(0) - kPartitionStart << "\n\n";
    }
    return record.str();
}

void BenchDisk::AddUnits(Testbed& testbed)
{
    testbed.Add(Record());
    // umockdev makes each node an empty file of its own (again on every add).
    for (unsigned lun = 0; lun < nodes_.size(); ++lun)
        model_.LinkLunNode(lun, testbed.RootDir() + DevNode(lun));
}

void BenchDisk::Publish(Testbed& testbed)
{
    AddUnits(testbed);
    for (unsigned lun = 0; lun < nodes_.size(); ++lun)
        testbed.Attach(DevNode(lun), *nodes_[lun]);
}

void BenchDisk::Republish(Testbed& testbed)
{
    AddUnits(testbed);
}

} // namespace sim
