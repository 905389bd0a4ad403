// A flash drive of the bench: a USB mass-storage device (bulk-only transport) whose
// logical units are disks of sim_disk's controller model under its interface, as Linux
// shows a USB stick. It can be plugged, pulled and plugged in again during a run.
#pragma once

#include "sim/core/testbed.h"
#include "sim/disk/bench_disk.h"
#include "sim/usbbus/usb_node.h"

#include <memory>

namespace sim {

struct DrivePlacement {
    unsigned bus = 1;
    std::vector<unsigned> chain; // port chain of the drive
    unsigned devnum = 10;
    unsigned scsiHost = 6;
    char diskLetter = 'b'; // first unit's "sdX"
};

// What the drive's units hold beyond plain sectors (see DiskPlacement).
struct DriveMedia {
    std::optional<std::uint32_t> mbrSignature; // set: the first unit holds one partition
    std::optional<unsigned> cdromLun;         // set: that unit is a CD-ROM drive
};

class BenchFlashDrive {
public:
    BenchFlashDrive(UsbNodeSpec usb, DiskIdentity identity, std::vector<std::uint64_t> lunSectors, DrivePlacement placement,
                    DriveMedia media = {});

    FlashDisk& model() { return disk_->model(); }
    const UsbNodeSpec& usb() const { return usb_; }
    std::string SysPath() const { return UsbSysPath(usb_); }
    std::string DiskNode(unsigned lun = 0) const { return disk_->DevNode(lun); }
    std::string PartitionNode() const { return disk_->PartitionNode(); }

    // Present from the start (Add) or newly plugged (Plug, with uevents).
    void Add(Testbed& testbed);
    void Plug(Testbed& testbed);
    void Unplug(Testbed& testbed);

private:
    std::string UnitRecord() const;
    void Publish(Testbed& testbed, bool announce);

    UsbNodeSpec usb_;
    DrivePlacement placement_;
    std::unique_ptr<BenchDisk> disk_;
    DiskIdentity identity_;
    bool attached_ = false;
};

// A drive whose only unit is a CD-ROM drive, as a drive holding nothing but an ISO9660 LUN.
DriveMedia CdromOnly();

// The maker's flash drive at a place in the tree; no serial string unless given.
UsbNodeSpec FlashDriveSpec(const DrivePlacement& placement, std::optional<std::string> serial = std::nullopt);

} // namespace sim
