#include "sim/disk/bench_disk.h"

#include <sstream>

namespace sim {

BenchDisk::BenchDisk(DiskIdentity identity, std::vector<std::uint64_t> lunSectors, DiskPlacement placement)
    : model_(std::move(identity), std::move(lunSectors)), placement_(std::move(placement))
{
    for (unsigned lun = 0; lun < model_.lunCount(); ++lun)
        nodes_.push_back(std::make_unique<SgIoNode>(model_, lun));
}

std::string BenchDisk::DiskName(unsigned lun) const
{
    return std::string("sd") + static_cast<char>(placement_.firstDiskLetter + lun);
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
        unsigned minor = 16 * static_cast<unsigned>(name[2] - 'a'); // sd disks take 16 minors each
        record << "P: /devices/" << placement_.interfacePath << "/host" << host << "/target" << host << ":0:0/" << host
               << ":0:0:" << lun << "/block/" << name << "\n"
               << "N: " << name << "\n"
               << "E: SUBSYSTEM=block\nE: DEVTYPE=disk\nE: DEVNAME=/dev/" << name << "\n"
               << "A: dev=8:" << minor << "\nA: size=" << model_.lunSectors(lun) << "\nA: removable=1\n\n";
    }
    return record.str();
}

void BenchDisk::Publish(Testbed& testbed)
{
    testbed.Add(Record());
    for (unsigned lun = 0; lun < nodes_.size(); ++lun)
        testbed.Attach(DevNode(lun), *nodes_[lun]);
}

} // namespace sim
