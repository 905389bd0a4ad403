#include "sim/usbbus/bench_flash_drive.h"

#include <filesystem>
#include <sstream>

namespace sim {
namespace {

std::string InterfaceFolder(const UsbNodeSpec& usb)
{
    return UsbInterfacePath(usb).substr(std::string("/sys/devices/").size());
}

} // namespace

BenchFlashDrive::BenchFlashDrive(UsbNodeSpec usb, DiskIdentity identity, std::vector<std::uint64_t> lunSectors,
                                 DrivePlacement placement, DriveMedia media)
    : usb_(std::move(usb)), placement_(std::move(placement)), identity_(identity)
{
    DiskPlacement where;
    where.interfacePath = InterfaceFolder(usb_);
    where.scsiHost = placement_.scsiHost;
    where.firstDiskLetter = placement_.diskLetter;
    where.mbrSignature = media.mbrSignature;
    where.cdromLun = media.cdromLun;
    disk_ = std::make_unique<BenchDisk>(std::move(identity), std::move(lunSectors), where);
}

std::string BenchFlashDrive::UnitRecord() const
{
    // The SCSI unit folders carry the identity the SCSI layer read (INQUIRY).
    std::ostringstream record;
    const unsigned host = placement_.scsiHost;
    for (unsigned lun = 0; lun < disk_->model().lunCount(); ++lun)
        record << "P: /devices/" << InterfaceFolder(usb_) << "/host" << host << "/target" << host << ":0:0/" << host << ":0:0:"
               << lun << "\nE: SUBSYSTEM=scsi\nE: DEVTYPE=scsi_device\nA: vendor=" << identity_.vendor
               << "\nA: model=" << identity_.product << "\nA: rev=" << identity_.revision
               << "\nA: type=" << (disk_->IsCdrom(lun) ? 5 : 0) << "\n\n";
    return record.str();
}

void BenchFlashDrive::Publish(Testbed& testbed, bool announce)
{
    if (announce)
        testbed.Plug(UsbNodeRecord(usb_));
    else
        testbed.Add(UsbNodeRecord(usb_));
    testbed.Add(UnitRecord());
    if (!attached_) {
        disk_->Publish(testbed);
        attached_ = true;
    } else {
        disk_->Republish(testbed); // the nodes stay attached across a replug
    }
}

void BenchFlashDrive::Add(Testbed& testbed)
{
    Publish(testbed, false);
}

void BenchFlashDrive::Plug(Testbed& testbed)
{
    Publish(testbed, true);
}

void BenchFlashDrive::Unplug(Testbed& testbed)
{
    // Children first: each device leaves with its own bus and class links.
    const unsigned host = placement_.scsiHost;
    const std::string interface = "/sys/devices/" + InterfaceFolder(usb_);
    for (unsigned lun = 0; lun < disk_->model().lunCount(); ++lun) {
        const std::string unit = interface + "/host" + std::to_string(host) + "/target" + std::to_string(host) + ":0:0/" +
                                 std::to_string(host) + ":0:0:" + std::to_string(lun);
        const std::string disk = unit + "/block/" + DiskNode(lun).substr(5);
        // umockdev leaves the /sys/block links behind; a replug would trip over them.
        if (lun == 0 && !PartitionNode().empty()) {
            testbed.Unplug(disk + "/" + PartitionNode().substr(5));
            std::filesystem::remove(testbed.RootDir() + "/sys/block/" + PartitionNode().substr(5));
        }
        testbed.Unplug(disk);
        std::filesystem::remove(testbed.RootDir() + "/sys/block/" + DiskNode(lun).substr(5));
        testbed.Unplug(unit);
    }
    UnplugUsbNode(testbed, usb_);
}

DriveMedia CdromOnly()
{
    DriveMedia media;
    media.cdromLun = 0;
    return media;
}

UsbNodeSpec FlashDriveSpec(const DrivePlacement& placement, std::optional<std::string> serial)
{
    UsbNodeSpec spec;
    spec.bus = placement.bus;
    spec.ports = placement.chain;
    spec.devnum = placement.devnum;
    spec.vendorId = 0x1E3D;
    spec.productId = 0x6025;
    spec.bcdDevice = 0x0100;
    spec.manufacturer = "Tarvo";
    spec.product = "Flash Disk";
    spec.serial = std::move(serial);
    spec.interfaceClass = 8;
    spec.interfaceSubClass = 6;
    spec.interfaceProtocol = 0x50;
    return spec;
}

} // namespace sim
