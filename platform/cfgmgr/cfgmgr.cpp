#include "platform/cfgmgr/cfgmgr.h"

#include "platform/usbsys/device_nodes.h"

#include <cstring>
#include <string>

namespace {

using platform::usbsys::CurrentDeviceNodes;
using platform::usbsys::DeviceNode;

constexpr ULONG kRegSz = 1;
constexpr ULONG kRegMultiSz = 7;

template <class Pick>
CONFIGRET Relative(PDEVINST out, DEVINST device, Pick pick)
{
    if (out == nullptr)
        return CR_INVALID_POINTER;
    *out = 0;
    auto nodes = CurrentDeviceNodes();
    const DeviceNode* node = nodes->Find(device);
    if (node == nullptr)
        return CR_INVALID_DEVNODE;
    DEVINST found = pick(*nodes, *node);
    if (found == 0)
        return CR_NO_SUCH_DEVNODE;
    *out = found;
    return CR_SUCCESS;
}

} // namespace

CONFIGRET CM_Get_Parent(PDEVINST parent, DEVINST device, ULONG)
{
    return Relative(parent, device, [](const auto&, const DeviceNode& node) { return node.parent; });
}

CONFIGRET CM_Get_Child(PDEVINST child, DEVINST device, ULONG)
{
    return Relative(child, device,
                    [](const auto&, const DeviceNode& node) { return node.children.empty() ? 0 : node.children.front(); });
}

CONFIGRET CM_Get_Sibling(PDEVINST sibling, DEVINST device, ULONG)
{
    return Relative(sibling, device, [](const auto& nodes, const DeviceNode& node) -> DEVINST {
        const DeviceNode* parent = nodes.Find(node.parent);
        if (parent == nullptr)
            return 0;
        for (std::size_t i = 0; i + 1 < parent->children.size(); ++i)
            if (parent->children[i] == node.id)
                return parent->children[i + 1];
        return 0;
    });
}

CONFIGRET CM_Get_DevNode_Registry_PropertyA(DEVINST device, ULONG property, PULONG type, LPVOID buffer, PULONG length,
                                            ULONG)
{
    if (length == nullptr)
        return CR_INVALID_POINTER;
    if (property != CM_DRP_HARDWAREID && property != CM_DRP_DRIVER)
        return CR_INVALID_PROPERTY;
    auto nodes = CurrentDeviceNodes();
    const DeviceNode* node = nodes->Find(device);
    if (node == nullptr)
        return CR_INVALID_DEVNODE;
    std::string multi;
    if (property == CM_DRP_DRIVER) {
        if (node->driverKey.empty())
            return CR_NO_SUCH_VALUE;
        multi = node->driverKey;
        multi.push_back('\0');
    } else {
        if (node->hardwareIds.empty())
            return CR_NO_SUCH_VALUE;
        for (const auto& id : node->hardwareIds)
            multi.append(id).push_back('\0');
        multi.push_back('\0');
    }
    const ULONG available = *length;
    *length = static_cast<ULONG>(multi.size());
    if (type != nullptr)
        *type = property == CM_DRP_DRIVER ? kRegSz : kRegMultiSz;
    if (buffer == nullptr || available < multi.size())
        return CR_BUFFER_SMALL;
    std::memcpy(buffer, multi.data(), multi.size());
    return CR_SUCCESS;
}
