// A simulated flash drive on the bench: the controller model and the disk nodes of its
// logical units, one "sdX" block device per unit under one SCSI target in sysfs (as Linux
// shows a USB mass-storage device), each answering SG_IO from the model.
#pragma once

#include "sim/core/testbed.h"
#include "sim/disk/flash_disk.h"
#include "sim/disk/sg_io_node.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct DiskPlacement {
    // The USB interface the disk hangs off, below /sys/devices.
    std::string interfacePath = "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0";
    unsigned scsiHost = 6;
    // LUN n is the (firstDiskLetter - 'a' + n)-th sd disk as Linux counts them (sda .. sdz,
    // sdaa, ...); letters past 'z' count on (static_cast<char>('a' + 26) is sdaa).
    char firstDiskLetter = 'b';
    // Set: LUN 0 holds an MBR with this disk signature and one partition from sector 2048
    // to its end, which sysfs and /dev show as "sdX1".
    std::optional<std::uint32_t> mbrSignature;
    // Set: that unit is a CD-ROM drive, "sr" + the SCSI host's number.
    std::optional<unsigned> cdromLun;
};

class BenchDisk {
public:
    BenchDisk(DiskIdentity identity, std::vector<std::uint64_t> lunSectors, DiskPlacement placement = {});

    FlashDisk& model() { return model_; }
    // Adds the units to sysfs and /dev and attaches their nodes; each unit's node file
    // shows the unit's sectors. The testbed must not outlive this disk: declare the disk
    // before the testbed.
    void Publish(Testbed& testbed);
    // Adds the units again after they were unplugged; the nodes stay attached.
    void Republish(Testbed& testbed);
    std::string DevNode(unsigned lun) const; // "/dev/sdb"
    bool IsCdrom(unsigned lun) const { return placement_.cdromLun == lun; }
    // LUN 0's partition node ("/dev/sdb1"), "" when it has none.
    std::string PartitionNode() const;
    unsigned Opens(unsigned lun) const { return nodes_.at(lun)->opens(); }
    std::string Record() const;

private:
    unsigned DiskIndex(unsigned lun) const; // 0 for "sda"
    std::string DiskName(unsigned lun) const;
    std::string DiskNumbers(unsigned lun, unsigned partition) const;
    void AddUnits(Testbed& testbed);

    FlashDisk model_;
    DiskPlacement placement_;
    std::vector<std::unique_ptr<SgIoNode>> nodes_;
};

} // namespace sim
