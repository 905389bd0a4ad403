// The device tree as the configuration manager shows it, built from one reading of the
// USB tree: host controllers, root hubs, hubs and devices, their disks, and the volumes on
// those. Each node has a device-instance number (DEVINST) that stays the same for the same
// device instance at the same place for the life of the process, so that numbers taken
// from one listing still name the same devices in the next.
#pragma once

#include "platform/usbsys/usb_tree.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::usbsys {

using DevInstNumber = std::uint32_t;

enum class NodeKind { Controller, UsbDevice, Disk, Volume };

struct DeviceInterface {
    const char* classGuid;
    std::string path; // "\\?\..." lower case
};

struct DeviceNode {
    DevInstNumber id = 0;
    DevInstNumber parent = 0; // 0: none
    std::vector<DevInstNumber> children;
    NodeKind kind = NodeKind::Controller;
    std::string instanceId;
    std::vector<std::string> hardwareIds;
    std::string driverKey; // USB devices
    std::vector<DeviceInterface> interfaces;
    std::string devNode; // disks and volumes: "/dev/sdb1"
    std::string sysFolder;
};

class DeviceNodes {
public:
    std::vector<DeviceNode> nodes; // parents before children

    const DeviceNode* Find(DevInstNumber id) const;
    // Letter case does not matter, as with Windows device paths.
    const DeviceNode* FindByInterfacePath(const std::string& path) const;
};

// Reads the tree now; the result is also the current listing from then on.
std::shared_ptr<const DeviceNodes> ReadDeviceNodes();
// The last listing read (one is read when there is none yet).
std::shared_ptr<const DeviceNodes> CurrentDeviceNodes();

// The interface paths of the disks and volumes of USB devices present now, by their /dev
// node ("/dev/sdb1"); disks of other buses are not listed. Reads the tree, keeps nothing.
std::map<std::string, std::string> UsbStoragePaths();
// The interface path of one USB disk or volume by its /dev node, read afresh; nothing for
// a node of another bus or one that has gone.
std::optional<std::string> UsbStoragePathOf(const std::string& devNode);
// The /dev node that the last listing read gives a disk or volume interface path; a hint
// only, as the device may have changed since.
std::optional<std::string> ListedStorageNode(const std::string& interfacePath);

} // namespace platform::usbsys
