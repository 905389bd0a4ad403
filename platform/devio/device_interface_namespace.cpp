// Device-interface paths ("\\?\usbstor#disk&...#{53f56307-...}", "\\?\usb#root_hub20#...",
// and "\\.\" with a hub name as the hub driver gives it) name devices of the listing of
// platform_usbsys. Disks and volumes open their /dev node; hubs and host controllers open
// their sysfs folder, which the hub control codes read (see usb_hub_ioctl.h).
#include "platform/base/lasterror.h"
#include "platform/devio/block_handle.h"
#include "platform/devio/devio.h"
#include "platform/usbsys/device_nodes.h"

#include <cerrno>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

namespace {

using platform::usbsys::DeviceNode;
using platform::usbsys::NodeKind;

const DeviceNode* FindNode(const std::shared_ptr<const platform::usbsys::DeviceNodes>& nodes, const std::string& path)
{
    return nodes->FindByInterfacePath(path);
}

// The listing may be older than the device now behind a disk's node (another drive may
// have taken it): a USB disk or volume from it is opened only while its node still
// carries the path asked for.
bool StillNamed(const DeviceNode& node, const std::string& path)
{
    if (node.kind != NodeKind::Disk && node.kind != NodeKind::Volume)
        return true;
    auto current = platform::usbsys::UsbStoragePathOf(node.devNode);
    return current && ::strcasecmp(current->c_str(), path.c_str()) == 0;
}

bool OpenInterfacePath(const std::string& name, DWORD access, DWORD, DWORD, int& fd, std::string& linuxPath)
{
    // Hub names come back from the hub driver without "\\?\"; opened as "\\.\" + name.
    std::string path = name;
    if (path.rfind("\\\\.\\", 0) == 0)
        path.replace(0, 4, "\\\\?\\");
    if (path.rfind("\\\\?\\", 0) != 0 || path.find('#') == std::string::npos)
        return false;
    auto nodes = platform::usbsys::CurrentDeviceNodes();
    const DeviceNode* node = FindNode(nodes, path);
    if (node == nullptr || !StillNamed(*node, path)) {
        nodes = platform::usbsys::ReadDeviceNodes(); // plugged in or changed since the last listing
        node = FindNode(nodes, path);
    }
    if (node == nullptr) {
        fd = -1;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return true;
    }
    const bool storage = node->kind == NodeKind::Disk || node->kind == NodeKind::Volume;
    linuxPath = storage ? node->devNode : node->sysFolder;
    if (storage) {
        fd = platform::OpenDeviceNode(linuxPath, access, 0);
    } else {
        fd = ::open(linuxPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            SetLastError(platform::ErrorFromErrno(errno));
    }
    if (fd != -1)
        SetLastError(ERROR_SUCCESS);
    return true;
}

platform::Registration registration{[] { platform::RegisterDeviceNamespace(&OpenInterfacePath); }};

} // namespace
