// Safe removal of a USB device: refused while a file system of it is mounted, otherwise
// its disks are flushed and the kernel is told to disconnect it.
#include "platform/cfgmgr/cfgmgr.h"

#include "platform/debug/debug.h"
#include "platform/storage/mounts.h"
#include "platform/text/text.h"
#include "platform/usbsys/device_nodes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using platform::usbsys::DeviceNode;
using platform::usbsys::DeviceNodes;
using platform::usbsys::NodeKind;

// The disks and volumes below a node, parents before children.
std::vector<const DeviceNode*> StorageBelow(const DeviceNodes& nodes, const DeviceNode& top)
{
    std::vector<const DeviceNode*> found;
    std::vector<const DeviceNode*> pending{&top};
    while (!pending.empty()) {
        const DeviceNode* node = pending.back();
        pending.pop_back();
        for (DEVINST child : node->children)
            if (const DeviceNode* below = nodes.Find(child)) {
                pending.push_back(below);
                if (below->kind == NodeKind::Disk || below->kind == NodeKind::Volume)
                    found.push_back(below);
            }
    }
    return found;
}

bool IsMounted(const DeviceNode& node)
{
    struct stat info;
    if (node.devNode.empty() || ::stat(node.devNode.c_str(), &info) != 0 || !S_ISBLK(info.st_mode))
        return false;
    return platform::storage::DeviceIsMounted(info.st_rdev);
}

// Writes what is still cached for the disk to it. A disk whose node cannot be opened
// because it holds no medium, or has gone, has nothing to write.
bool FlushDisk(const DeviceNode& disk)
{
    int fd = ::open(disk.devNode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOMEDIUM || errno == ENXIO || errno == ENOENT || errno == ENODEV)
            return true;
        platform::DebugPrintf("CM_Request_Device_EjectW: %s cannot be opened to flush it: %s", disk.devNode.c_str(),
                              std::strerror(errno));
        return false;
    }
    // EINVAL: a node that keeps no cache of its own.
    bool flushed = ::fsync(fd) == 0 || errno == EINVAL;
    if (!flushed)
        platform::DebugPrintf("CM_Request_Device_EjectW: %s cannot be flushed: %s", disk.devNode.c_str(),
                              std::strerror(errno));
    ::close(fd);
    return flushed;
}

CONFIGRET Disconnect(const DeviceNode& device)
{
    const std::string attribute = device.sysFolder + "/remove";
    int fd = ::open(attribute.c_str(), O_WRONLY | O_CLOEXEC);
    bool written = fd >= 0 && ::write(fd, "1", 1) == 1;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (written)
        return CR_SUCCESS;
    platform::DebugPrintf("CM_Request_Device_EjectW: %s cannot be written: %s", attribute.c_str(), std::strerror(error));
    if (error == EACCES || error == EPERM)
        return CR_ACCESS_DENIED;
    return error == ENOENT || error == ENODEV ? CR_NO_SUCH_DEVNODE : CR_FAILURE;
}

void SetVeto(PPNP_VETO_TYPE vetoType, LPWSTR vetoName, ULONG nameLength, const std::string& name)
{
    if (vetoType != nullptr)
        *vetoType = PNP_VetoOutstandingOpen;
    if (vetoName != nullptr && nameLength > 0)
        platform::CopyWideToWideField(vetoName, nameLength, platform::AnsiToWide(name));
}

} // namespace

CONFIGRET CM_Request_Device_EjectW(DEVINST device, PPNP_VETO_TYPE vetoType, LPWSTR vetoName, ULONG nameLength, ULONG)
{
    if (vetoType != nullptr)
        *vetoType = PNP_VetoTypeUnknown;
    if (vetoName != nullptr && nameLength > 0)
        vetoName[0] = u'\0';
    const auto nodes = platform::usbsys::ReadDeviceNodes();
    const DeviceNode* node = nodes->Find(device);
    if (node == nullptr)
        return CR_NO_SUCH_DEVNODE;
    if (node->kind != NodeKind::UsbDevice || node->sysFolder.empty()) {
        platform::DebugPrintf("CM_Request_Device_EjectW: %s is not a USB device that can be removed",
                              node->instanceId.c_str());
        return CR_FAILURE;
    }
    const std::vector<const DeviceNode*> storage = StorageBelow(*nodes, *node);
    for (const DeviceNode* unit : storage)
        if (IsMounted(*unit)) {
            platform::DebugPrintf("CM_Request_Device_EjectW: %s is mounted", unit->devNode.c_str());
            SetVeto(vetoType, vetoName, nameLength, unit->instanceId);
            return CR_REMOVE_VETOED;
        }
    for (const DeviceNode* unit : storage)
        if (unit->kind == NodeKind::Disk && !FlushDisk(*unit))
            return CR_FAILURE;
    return Disconnect(*node);
}
