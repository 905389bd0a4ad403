#include "platform/usbsys/device_nodes.h"

#include "platform/usbsys/storage_records.h"
#include "platform/usbsys/sysfs.h"
#include "platform/usbsys/usb_names.h"

#include <cctype>
#include <map>
#include <mutex>

namespace platform::usbsys {
namespace {

struct Listing {
    std::mutex lock;
    std::map<std::string, DevInstNumber> numbers; // by instance id and sysfs folder
    std::shared_ptr<const DeviceNodes> current;
};

Listing& State()
{
    static Listing* listing = new Listing;
    return *listing;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

class Builder {
public:
    explicit Builder(std::map<std::string, DevInstNumber>& numbers) : numbers_(numbers) {}

    DeviceNode& Add(NodeKind kind, std::string instanceId, const std::string& folder, DevInstNumber parent)
    {
        auto [at, added] = numbers_.try_emplace(instanceId + "|" + folder, static_cast<DevInstNumber>(numbers_.size() + 1));
        DeviceNode node;
        node.id = at->second;
        node.parent = parent;
        node.kind = kind;
        node.instanceId = std::move(instanceId);
        node.sysFolder = folder;
        result_.nodes.push_back(std::move(node));
        if (parent != 0)
            for (auto& p : result_.nodes)
                if (p.id == parent)
                    p.children.push_back(result_.nodes.back().id);
        return result_.nodes.back();
    }

    DeviceNodes Take() { return std::move(result_); }

private:
    std::map<std::string, DevInstNumber>& numbers_;
    DeviceNodes result_;
};

DeviceNodes Build(const UsbTree& tree, std::map<std::string, DevInstNumber>& numbers)
{
    Builder builder(numbers);
    std::vector<DevInstNumber> deviceIds(tree.devices.size(), 0);
    for (const auto& controller : tree.controllers) {
        auto& node = builder.Add(NodeKind::Controller, ControllerInstanceId(controller), controller.folder, 0);
        node.interfaces.push_back({kHostControllerClass, InterfacePath(node.instanceId, kHostControllerClass)});
        const DevInstNumber controllerId = node.id;
        for (auto hub : controller.rootHubs)
            deviceIds[hub] = controllerId; // the root hub's parent, until it has a number of its own
    }
    for (std::size_t i = 0; i < tree.devices.size(); ++i) {
        const auto& device = tree.devices[i];
        auto parentIndex = tree.ParentOf(i);
        if (!device.IsRootHub() && (!parentIndex || deviceIds[*parentIndex] == 0))
            continue; // its hub is not in the listing (it left between two reads)
        const UsbDevice* parent = parentIndex ? &tree.devices[*parentIndex] : nullptr;
        const UsbNames names = NamesOf(device, parent);
        const DevInstNumber parentId = parentIndex ? deviceIds[*parentIndex] : deviceIds[i];
        auto& node = builder.Add(NodeKind::UsbDevice, names.instanceId, device.folder, parentId);
        node.hardwareIds = names.hardwareIds;
        node.driverKey = names.driverKey;
        node.interfaces.push_back({names.interfaceClass, InterfacePath(node.instanceId, names.interfaceClass)});
        deviceIds[i] = node.id;
    }
    for (const auto& disk : tree.disks) {
        const DevInstNumber parentId = disk.usbDevice ? deviceIds[*disk.usbDevice] : 0;
        if (disk.usbDevice && parentId == 0)
            continue;
        auto& node = builder.Add(NodeKind::Disk, DiskInstanceId(tree, disk), disk.folder, parentId);
        KeepStorageRecord(node.instanceId, disk);
        node.devNode = "/dev/" + disk.kernelName;
        const char* diskClass = DiskInterfaceClass(disk);
        node.interfaces.push_back({diskClass, InterfacePath(node.instanceId, diskClass)});
        const std::string diskInstance = node.instanceId;
        const DevInstNumber diskId = node.id;
        for (std::size_t p = 0; p < disk.partitions.size(); ++p) {
            auto& volume = builder.Add(NodeKind::Volume, VolumeInstanceId(diskInstance, static_cast<unsigned>(p + 1)),
                                       disk.folder + "/" + disk.partitions[p], diskId);
            volume.devNode = "/dev/" + disk.partitions[p];
            volume.interfaces.push_back({kVolumeClass, InterfacePath(volume.instanceId, kVolumeClass)});
        }
    }
    return builder.Take();
}

void AddStoragePaths(const UsbTree& tree, const Disk& disk, std::map<std::string, std::string>& paths)
{
    if (!disk.usbDevice)
        return;
    const std::string instanceId = DiskInstanceId(tree, disk);
    paths["/dev/" + disk.kernelName] = InterfacePath(instanceId, DiskInterfaceClass(disk));
    for (std::size_t p = 0; p < disk.partitions.size(); ++p)
        paths["/dev/" + disk.partitions[p]] = InterfacePath(VolumeInstanceId(instanceId, static_cast<unsigned>(p + 1)), kVolumeClass);
}

// The USB device that holds a disk's folder (as the bus lists it) after the hub it hangs
// off (only what names it: its place); empty when no listed USB device holds the folder.
std::vector<UsbDevice> OwnerAndHub(const std::string& diskFolder)
{
    std::vector<std::size_t> ends; // where each component that names a USB device ends
    for (std::size_t end = diskFolder.find('/', 1);; end = diskFolder.find('/', end + 1)) {
        const std::size_t stop = end == std::string::npos ? diskFolder.size() : end;
        const std::size_t start = diskFolder.find_last_of('/', stop - 1) + 1;
        unsigned bus = 0;
        std::vector<unsigned> ports;
        if (ParseDeviceName(diskFolder.substr(start, stop - start), bus, ports))
            ends.push_back(stop);
        if (end == std::string::npos)
            break;
    }
    if (ends.size() < 2)
        return {};
    const std::string ownerFolder = diskFolder.substr(0, ends.back());
    auto owner = ListedUsbDevice(ownerFolder.substr(ownerFolder.find_last_of('/') + 1));
    if (!owner || owner->folder != ownerFolder)
        return {};
    UsbDevice hub;
    hub.folder = diskFolder.substr(0, ends[ends.size() - 2]);
    hub.sysName = hub.folder.substr(hub.folder.find_last_of('/') + 1);
    ParseDeviceName(hub.sysName, hub.bus, hub.ports);
    return {hub, *owner};
}

} // namespace

const DeviceNode* DeviceNodes::Find(DevInstNumber id) const
{
    for (const auto& node : nodes)
        if (node.id == id)
            return &node;
    return nullptr;
}

const DeviceNode* DeviceNodes::FindByInterfacePath(const std::string& path) const
{
    for (const auto& node : nodes)
        for (const auto& interface : node.interfaces)
            if (EqualNoCase(interface.path, path))
                return &node;
    return nullptr;
}

std::shared_ptr<const DeviceNodes> ReadDeviceNodes()
{
    const UsbTree tree = ReadUsbTree();
    auto& state = State();
    std::lock_guard guard(state.lock);
    state.current = std::make_shared<const DeviceNodes>(Build(tree, state.numbers));
    return state.current;
}

std::map<std::string, std::string> UsbStoragePaths()
{
    const UsbTree tree = ReadUsbTree();
    std::map<std::string, std::string> paths;
    for (const auto& disk : tree.disks)
        AddStoragePaths(tree, disk, paths);
    return paths;
}

std::optional<std::string> UsbStoragePathOf(const std::string& devNode)
{
    if (devNode.rfind("/dev/", 0) != 0)
        return std::nullopt;
    auto place = DiskPlaceOf(devNode.substr(5));
    if (!place)
        return std::nullopt;
    UsbTree tree;
    tree.devices = OwnerAndHub(place->folder);
    if (tree.devices.empty())
        return std::nullopt;
    UsbDevice& owner = tree.devices.back();
    owner.serialShared = SerialIsShared(owner);
    auto disk = ReadDisk(place->name, tree.devices);
    if (!disk)
        return std::nullopt;
    std::map<std::string, std::string> paths;
    AddStoragePaths(tree, *disk, paths);
    auto path = paths.find(devNode);
    return path != paths.end() ? std::optional<std::string>(path->second) : std::nullopt;
}

std::optional<std::string> ListedStorageNode(const std::string& interfacePath)
{
    const DeviceNode* node = CurrentDeviceNodes()->FindByInterfacePath(interfacePath);
    if (node == nullptr || (node->kind != NodeKind::Disk && node->kind != NodeKind::Volume))
        return std::nullopt;
    return node->devNode;
}

std::shared_ptr<const DeviceNodes> CurrentDeviceNodes()
{
    {
        auto& state = State();
        std::lock_guard guard(state.lock);
        if (state.current)
            return state.current;
    }
    return ReadDeviceNodes();
}

} // namespace platform::usbsys
