#include "server/topology/interface_paths.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"

#include <vector>

namespace {

constexpr std::size_t kMaxInterfacePaths = 192;
constexpr std::size_t kMaxPathLength = 256;

} // namespace

std::vector<InterfacePath> EnumInterfacePaths(const GUID& classGuid)
{
    std::vector<InterfacePath> paths;
    HDEVINFO list = SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_DEVINFO) {
        platform::DebugPrintf("SetupDiGetClassDevs fail=%x", GetLastError());
        return paths;
    }
    for (DWORD index = 0; paths.size() < kMaxInterfacePaths; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        if (!SetupDiEnumDeviceInterfaces(list, nullptr, &classGuid, index, &interfaceData))
            break;
        DWORD needed = 0;
        SetupDiGetDeviceInterfaceDetailA(list, &interfaceData, nullptr, 0, &needed, nullptr);
        if (needed == 0)
            break;
        std::vector<std::uint64_t> storage((needed + 7) / 8);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiGetDeviceInterfaceDetailA(list, &interfaceData, detail, needed, nullptr, &device)) {
            platform::DebugPrintf("SetupDiGetDeviceInterfaceDetail fail=%x", GetLastError());
            break;
        }
        std::string path = detail->DevicePath;
        if (path.size() > kMaxPathLength)
            path.resize(kMaxPathLength);
        paths.push_back({path, device.DevInst});
    }
    SetupDiDestroyDeviceInfoList(list);
    return paths;
}
