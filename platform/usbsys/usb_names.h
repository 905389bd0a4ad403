// The Windows names of USB devices and disks, made from sysfs in one consistent way:
// instance ids ("USB\VID_0951&PID_1666\<serial>", or "<parent prefix>&<port>" for a device
// without a usable serial or of a model whose serials are ignored, usb_flags.h), hardware
// ids, lower-case interface paths ending in the class GUID, hub names as the hub driver
// gives them, and driver keys allocated once per device
// instance and kept in the registry store with the device's enumeration record. The same
// device on the same port always gets the same names; two identical devices without
// serial numbers, or sharing one, differ by their ports.
#pragma once

#include "platform/usbsys/usb_tree.h"

#include <string>
#include <vector>

namespace platform::usbsys {

inline constexpr const char* kDiskClass = "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
inline constexpr const char* kUsbDeviceClass = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
inline constexpr const char* kVolumeClass = "{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}";
inline constexpr const char* kHubClass = "{f18a0e88-c30c-11d0-8815-00a0c906bed8}";
inline constexpr const char* kHostControllerClass = "{3abf6f2d-71c4-462a-8a92-1e6861e6af27}";

struct UsbNames {
    std::string instanceId;           // "USB\VID_0951&PID_1666\5&2bd1ea4&0&3"
    std::vector<std::string> hardwareIds;
    const char* interfaceClass = nullptr; // hub or USB device class
    std::string driverKey;            // "{36fc9e60-...}\0004"; "" when the store failed (last error set)
    // The enumeration record's ParentIdPrefix: set only for a device without a usable
    // serial number, whose children take their instance ids from it.
    std::string parentIdPrefix;
    std::string childPrefix;          // what the device's disks are named after
    std::string symbolicName;         // "\??\USB#VID_0951&PID_1666#...#{a5dcbf10-...}"
};

// `parent` is the hub the device hangs off (nullptr for a root hub). Keeps the device's
// enumeration record in the registry store, as the Plug and Play manager does on arrival.
UsbNames NamesOf(const UsbDevice& device, const UsbDevice* parent);

std::string ControllerInstanceId(const HostController& controller);
// A disk's instance id; a disk of another bus is named "IDE\..." so that it never looks like USB.
std::string DiskInstanceId(const UsbTree& tree, const Disk& disk);
// The class a disk's interface is listed under: a CD-ROM is a volume of its own.
const char* DiskInterfaceClass(const Disk& disk);
std::string VolumeInstanceId(const std::string& diskInstanceId, unsigned partitionNumber);

// "\\?\usbstor#disk&...#{53f56307-...}": the instance id with '\' as '#', lower-cased.
std::string InterfacePath(const std::string& instanceId, const char* classGuid);
// The name a hub driver gives for a hub ("USB#ROOT_HUB20#4&1b2c3d4&0#{f18a0e88-...}"):
// the interface path without "\\?\", keeping the instance id's letter case.
std::string HubName(const std::string& instanceId);

} // namespace platform::usbsys
