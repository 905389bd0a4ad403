#include "platform/usbsys/usb_names.h"

#include "platform/usbsys/enum_records.h"
#include "platform/usbsys/sysfs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace platform::usbsys {
namespace {

std::string Format(const char* format, auto... values)
{
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string Upper(std::string text)
{
    for (auto& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Lower(std::string text)
{
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Position hashes: stable for a port of a controller, different for every other port.
std::uint32_t Hash(const std::string& folder)
{
    // Relative to the sysfs root, so that a test-built tree names its devices as /sys would.
    const std::string root = SysfsRoot();
    std::string_view text = folder;
    if (text.rfind(root, 0) == 0)
        text.remove_prefix(root.size());
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

std::string ControllerFolderOf(const UsbDevice& rootHub)
{
    return rootHub.folder.substr(0, rootHub.folder.find_last_of('/'));
}

// A serial number that can name a device instance: printable, no separator of ids or
// paths, and no other present device of the same kind reporting it (two drives named
// alike would share one disk path, and one port would reach the other's drive).
bool SerialIsUsable(const UsbDevice& device)
{
    const auto& serial = device.serial;
    if (!serial || serial->empty() || device.serialShared)
        return false;
    return std::all_of(serial->begin(), serial->end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u > 0x20 && u < 0x7F && c != ',' && c != '#' && c != '&' && c != '\\' && c != '/';
    });
}

const char* RootHubKind(const UsbDevice& rootHub)
{
    return rootHub.speedMbps >= 5000 ? "ROOT_HUB30" : rootHub.speedMbps >= 480 ? "ROOT_HUB20" : "ROOT_HUB";
}

// The prefix a hub or device gives the instance ids of what hangs off it.
std::string PrefixOf(const UsbDevice& device)
{
    return Format("%u&%x&0", static_cast<unsigned>(5 + device.ports.size()), Hash(device.folder));
}

std::string SpacesAsUnderscores(std::string text)
{
    std::replace(text.begin(), text.end(), ' ', '_');
    return text;
}

// Every name but the driver key, which the registry store keeps.
UsbNames InstanceNames(const UsbDevice& device, const UsbDevice* parent)
{
    UsbNames names;
    const unsigned rev = device.bcdDevice;
    if (device.IsRootHub()) {
        names.instanceId = Format("USB\\%s\\4&%x&0", RootHubKind(device), Hash(ControllerFolderOf(device)));
        names.hardwareIds = {Format("USB\\%s&VID%04X&PID%04X&REV%04X", RootHubKind(device), device.vendorId,
                                    device.productId, rev),
                             Format("USB\\%s", RootHubKind(device))};
    } else {
        std::string unique;
        if (SerialIsUsable(device)) {
            unique = *device.serial;
        } else {
            unique = (parent != nullptr ? PrefixOf(*parent) : std::string("5&0&0")) + "&" +
                     std::to_string(device.ports.back());
            names.parentIdPrefix = PrefixOf(device);
        }
        names.instanceId = Format("USB\\VID_%04X&PID_%04X\\", device.vendorId, device.productId) + unique;
        names.hardwareIds = {Format("USB\\VID_%04X&PID_%04X&REV_%04X", device.vendorId, device.productId, rev),
                             Format("USB\\VID_%04X&PID_%04X", device.vendorId, device.productId)};
    }
    names.childPrefix = names.parentIdPrefix.empty() ? names.instanceId.substr(names.instanceId.find_last_of('\\') + 1)
                                                     : names.parentIdPrefix;
    names.interfaceClass = device.IsHub() ? kHubClass : kUsbDeviceClass;
    std::string body = names.instanceId;
    std::replace(body.begin(), body.end(), '\\', '#');
    names.symbolicName = "\\??\\" + body + "#" + kUsbDeviceClass;
    return names;
}

} // namespace

UsbNames NamesOf(const UsbDevice& device, const UsbDevice* parent)
{
    UsbNames names = InstanceNames(device, parent);
    names.driverKey = KeepEnumRecord(names.instanceId, names.parentIdPrefix, names.symbolicName);
    return names;
}

std::string ControllerInstanceId(const HostController& controller)
{
    if (controller.pciVendor != 0)
        return Format("PCI\\VEN_%04X&DEV_%04X\\3&%x&0", controller.pciVendor, controller.pciDevice,
                      Hash(controller.folder));
    return Format("ROOT\\USB\\3&%x&0", Hash(controller.folder));
}

std::string DiskInstanceId(const UsbTree& tree, const Disk& disk)
{
    const UsbDevice* owner = disk.usbDevice ? &tree.devices[*disk.usbDevice] : nullptr;
    const auto ownerHub = disk.usbDevice ? tree.ParentOf(*disk.usbDevice) : std::nullopt;
    const UsbDevice* ownerParent = ownerHub ? &tree.devices[*ownerHub] : nullptr;
    std::string identity = "&VEN_" + SpacesAsUnderscores(Upper(disk.vendor)) + "&PROD_" +
                           SpacesAsUnderscores(Upper(disk.model)) + "&REV_" + SpacesAsUnderscores(Upper(disk.revision));
    if (owner == nullptr)
        return "IDE\\DISK" + identity + Format("\\5&%x&0&0.0.0", Hash(disk.folder));
    const UsbNames names = InstanceNames(*owner, ownerParent);
    if (disk.uas)
        return "SCSI\\DISK" + identity + "\\" + PrefixOf(*owner) + Format("&0&0000%02X", disk.lun);
    return std::string("USBSTOR\\") + (disk.cdrom ? "CDROM" : "DISK") + identity + "\\" + names.childPrefix + "&" +
           std::to_string(disk.lun);
}

const char* DiskInterfaceClass(const Disk& disk)
{
    return disk.cdrom ? kVolumeClass : kDiskClass;
}

std::string VolumeInstanceId(const std::string& diskInstanceId, unsigned partitionNumber)
{
    std::string body = diskInstanceId;
    std::replace(body.begin(), body.end(), '\\', '#');
    return "STORAGE\\VOLUME\\_??_" + body + Format("#%s#P%u", kDiskClass, partitionNumber);
}

std::string InterfacePath(const std::string& instanceId, const char* classGuid)
{
    std::string body = instanceId;
    std::replace(body.begin(), body.end(), '\\', '#');
    return "\\\\?\\" + Lower(body) + "#" + classGuid;
}

std::string HubName(const std::string& instanceId)
{
    std::string body = instanceId;
    std::replace(body.begin(), body.end(), '\\', '#');
    return body + "#" + kHubClass;
}

} // namespace platform::usbsys
