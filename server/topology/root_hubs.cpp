#include "server/topology/root_hubs.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "server/topology/hub_link.h"
#include "server/topology/interface_paths.h"
#include "server/topology/name_case.h"

bool IsRootHubPath(std::string_view path, RootHubChoice choice)
{
    const std::string lower = Lower(path);
    auto has = [&](const char* token) { return lower.find(token) != std::string::npos; };
    const bool usb20 = lower.rfind("\\\\?\\usb#root_hub20#", 0) == 0;
    switch (choice) {
    case RootHubChoice::PortWalkUsb30:
        return has("#root_hub30");
    case RootHubChoice::HubList:
        return usb20 || has("#root_hub30") || has("ostra_root_hub") || has("pci#");
    case RootHubChoice::PortWalk:
        break;
    }
    return usb20 || has("#root_hub30") || has("ostra_root_hub") || (has("asmediausbd_hub#") && has("vid_040e")) ||
           has("tiusbd_hub") || has("pci#") || has("flusb") || has("#root_hub_fl30");
}

std::vector<std::string> RootHubPaths(RootHubChoice choice)
{
    std::vector<std::string> hubs;
    for (auto& hub : EnumInterfacePaths(GUID_DEVINTERFACE_USB_HUB))
        hubs.push_back(hub.path);
    for (auto& controller : EnumInterfacePaths(GUID_DEVINTERFACE_USB_HOST_CONTROLLER)) {
        HANDLE handle = CreateFileA(controller.path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            platform::DebugPrintf("open host controller fail=%x", GetLastError());
            continue;
        }
        std::string name;
        if (GetRootHubName(handle, name)) {
            const std::string lower = Lower(name);
            bool known = false;
            for (auto& hub : hubs)
                known = known || Lower(hub).find(lower) != std::string::npos;
            if (!known)
                hubs.push_back("\\\\?\\" + name);
        } else {
            platform::DebugPrintf("get root hub name fail=%x", GetLastError());
        }
        CloseHandle(handle);
    }
    std::vector<std::string> accepted;
    for (auto& path : hubs)
        if (IsRootHubPath(path, choice))
            accepted.push_back(path);
    return accepted;
}
