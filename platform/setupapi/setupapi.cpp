#include "platform/setupapi/setupapi.h"

#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/usbsys/device_nodes.h"
#include "platform/usbsys/usb_names.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ClassName {
    const GUID* guid;
    const char* text;
};

const ClassName kClasses[] = {
    {&GUID_DEVINTERFACE_DISK, platform::usbsys::kDiskClass},
    {&GUID_DEVINTERFACE_USB_DEVICE, platform::usbsys::kUsbDeviceClass},
    {&GUID_DEVINTERFACE_VOLUME, platform::usbsys::kVolumeClass},
    {&GUID_DEVINTERFACE_USB_HUB, platform::usbsys::kHubClass},
    {&GUID_DEVINTERFACE_USB_HOST_CONTROLLER, platform::usbsys::kHostControllerClass},
};

bool SameGuid(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

struct ListedInterface {
    std::string path;
    DWORD devInst;
};

class InterfaceList : public platform::HandleObject {
public:
    GUID guid{};
    std::vector<ListedInterface> entries;
};

std::shared_ptr<InterfaceList> ListOf(HDEVINFO handle)
{
    auto list = platform::HandleAs<InterfaceList>(handle);
    if (list == nullptr)
        SetLastError(ERROR_INVALID_HANDLE);
    return list;
}

} // namespace

HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, LPCSTR enumerator, HWND, DWORD flags)
{
    if (classGuid == nullptr || enumerator != nullptr || (flags & DIGCF_DEVICEINTERFACE) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_DEVINFO;
    }
    auto list = std::make_shared<InterfaceList>();
    list->guid = *classGuid;
    const char* text = nullptr;
    for (const auto& known : kClasses)
        if (SameGuid(*known.guid, *classGuid))
            text = known.text;
    if (text != nullptr) {
        auto nodes = platform::usbsys::ReadDeviceNodes();
        for (const auto& node : nodes->nodes)
            for (const auto& interface : node.interfaces)
                if (std::strcmp(interface.classGuid, text) == 0)
                    list->entries.push_back({interface.path, node.id});
    }
    SetLastError(ERROR_SUCCESS);
    return platform::IssueHandle(list);
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO handle, SP_DEVINFO_DATA*, const GUID* classGuid, DWORD index,
                                 SP_DEVICE_INTERFACE_DATA* interfaceData)
{
    auto list = ListOf(handle);
    if (list == nullptr)
        return FALSE;
    if (interfaceData == nullptr || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) || classGuid == nullptr) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (!SameGuid(*classGuid, list->guid) || index >= list->entries.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    interfaceData->InterfaceClassGuid = list->guid;
    interfaceData->Flags = 1; // SPINT_ACTIVE
    interfaceData->Reserved = index + 1;
    return TRUE;
}

BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO handle, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                      SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize, DWORD* requiredSize,
                                      SP_DEVINFO_DATA* device)
{
    auto list = ListOf(handle);
    if (list == nullptr)
        return FALSE;
    if (interfaceData == nullptr || interfaceData->Reserved == 0 || interfaceData->Reserved > list->entries.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const ListedInterface& entry = list->entries[interfaceData->Reserved - 1];
    const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + entry.path.size() + 1);
    if (requiredSize != nullptr)
        *requiredSize = needed;
    if (detail == nullptr || detailSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) ||
        (device != nullptr && device->cbSize != sizeof(SP_DEVINFO_DATA))) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    std::memcpy(detail->DevicePath, entry.path.c_str(), entry.path.size() + 1);
    if (device != nullptr) {
        device->DevInst = entry.devInst;
        device->ClassGuid = list->guid;
    }
    return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO handle)
{
    if (ListOf(handle) == nullptr)
        return FALSE;
    return CloseHandle(handle);
}
