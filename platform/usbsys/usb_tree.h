// The USB tree of the machine as sysfs shows it at one moment: host controllers, root
// hubs, hubs and devices, and the disks (with their partitions)
// that hang off them or off anything else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::usbsys {

struct UsbDevice {
    std::string sysName;   // "usb1" for a root hub, "1-4.2" behind hubs
    std::string folder;    // resolved sysfs folder
    unsigned bus = 0;
    std::vector<unsigned> ports; // port chain from the root hub; empty for a root hub
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t bcdDevice = 0;
    std::uint8_t deviceClass = 0;
    unsigned speedMbps = 0;
    unsigned portCount = 0; // maxchild: non-zero for hubs
    std::optional<std::string> serial;
    // Another present device with the same vendor and product id reports the same serial
    // number, so the serial cannot tell the two apart; or the model's serial numbers are
    // ignored (usb_flags.h). Either way the device is named by its place.
    bool serialShared = false;
    // Which coming of the device this is: a new number each time its listing entry is new
    // (0: not read from the bus's listing).
    std::uint64_t arrival = 0;

    bool IsRootHub() const { return ports.empty(); }
    bool IsHub() const { return IsRootHub() || deviceClass == 9 || portCount > 0; }
    // The sysfs name of the device on one of this hub's ports.
    std::string ChildName(unsigned port) const;
};

struct HostController {
    std::string folder;    // the parent of its root hubs (a PCI function, or a platform device)
    std::uint16_t pciVendor = 0;
    std::uint16_t pciDevice = 0;
    std::vector<std::size_t> rootHubs; // indexes into UsbTree::devices
};

struct Disk {
    std::string kernelName; // "sdb", "sr0", "vda"
    std::string folder;
    bool cdrom = false;
    // The USB device the disk belongs to (index into UsbTree::devices), or nothing for a
    // disk of another bus; such a disk must never be taken for a USB disk.
    std::optional<std::size_t> usbDevice;
    bool uas = false;       // on a USB Attached SCSI interface
    unsigned lun = 0;
    std::string vendor, model, revision; // as the SCSI layer reports them
    std::vector<std::string> partitions; // kernel names, by partition number
};

struct UsbTree {
    std::vector<HostController> controllers;
    std::vector<UsbDevice> devices; // in bus order, each hub before what hangs off it
    std::vector<Disk> disks;

    const UsbDevice* Find(const std::string& sysName) const;
    std::optional<std::size_t> IndexOf(const std::string& sysName) const;
    // The hub a device hangs off, or nothing for a root hub.
    std::optional<std::size_t> ParentOf(std::size_t device) const;
};

// Splits a device's sysfs name into bus and port chain: "2-1.4" -> 2, {1, 4}; "usb3" -> 3, {}.
bool ParseDeviceName(const std::string& sysName, unsigned& bus, std::vector<unsigned>& ports);

// A device's name, folder, bus and port chain, from its sysfs name alone: nothing is read, so
// that a caller reads only the attributes it needs. Nothing when the name is not a device's
// (an interface's "1-1:1.0", a host controller's).
std::optional<UsbDevice> UsbDeviceAt(const std::string& sysName, const std::string& folder);

// A device's speed ("480", "1.5") in whole Mbit/s; 0 when it cannot be read.
unsigned ReadSpeedMbps(const std::string& folder);

// One device read from its folder; nothing when the folder is not a USB device (any more).
// Its serial is not compared with the others': see SerialIsShared.
std::optional<UsbDevice> ReadUsbDevice(const std::string& sysName, const std::string& folder);

// A device of the bus's listing by its name ("1-4.2"), read only when its listing entry is
// new (what ReadUsbDevice reads is fixed at enumeration); nothing when it is not listed.
std::optional<UsbDevice> ListedUsbDevice(const std::string& sysName);
// Every USB device present now, in tree order, shared serial numbers marked.
std::vector<UsbDevice> ReadUsbDevices();
// Whether a device's serial number is shared or ignored (see serialShared). For a device of
// the bus's listing this is settled when it comes, from the devices and flags then, and kept
// while it stays: one named by its serial keeps that name when a twin arrives (the twin, seeing it,
// is named by its place), and one named by its place keeps that name when its twin leaves,
// so that its driver key, disk paths and letters never change under a port that may be
// running. Both functions give the same answer for the same device.
bool SerialIsShared(const UsbDevice& device);

UsbTree ReadUsbTree();
// The disk a block device ("sdb", or its partition "sdb1") is or lies on: its name and folder.
struct DiskPlace {
    std::string name;
    std::string folder;
};
std::optional<DiskPlace> DiskPlaceOf(const std::string& blockName);
// One disk by its name, owned by the deepest of `devices` that holds it; nothing for a
// partition or a disk that has gone.
std::optional<Disk> ReadDisk(const std::string& kernelName, const std::vector<UsbDevice>& devices);

} // namespace platform::usbsys
