#include "server/topology/usb_topology.h"

#include "platform/debug/debug.h"
#include "platform/sync/sync.h"
#include "server/topology/hub_walk_mutex.h"
#include "server/topology/hub_link.h"
#include "server/topology/interface_paths.h"

#include "platform/base/lasterror.h"
#include "platform/devio/devio.h"

#include <cctype>

#include <cstring>
#include <memory>

UsbTopology::UsbTopology(CSTDCMDControl& standard, CVCommCMDControl& vendor, const TopologySwitches& switches)
    : standard_(standard), vendor_(vendor), switches_(switches)
{
}

INT UsbTopology::ScanDiskPathBySymbolicName(DiskEntry* entries32)
{
    OutputDebugStringA("ScanDiskPathBySymbolicName()");
    return ScanDisks(entries32);
}

std::vector<std::string> UsbTopology::RootHubPaths(bool hubListOnly)
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
            std::string lower = name;
            for (auto& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            bool known = false;
            for (auto& hub : hubs)
                known = known || hub.find(lower) != std::string::npos;
            if (!known)
                hubs.push_back("\\\\?\\" + name);
        } else {
            platform::DebugPrintf("get root hub name fail=%x", GetLastError());
        }
        CloseHandle(handle);
    }
    std::vector<std::string> accepted;
    for (auto& path : hubs) {
        auto has = [&](const char* token) { return path.find(token) != std::string::npos; };
        bool root;
        if (hubListOnly)
            root = path.rfind("\\\\?\\usb#root_hub20#", 0) == 0 || has("#root_hub30") || has("ostra_root_hub") || has("pci#");
        else if (switches_.forceUsb30)
            root = has("#root_hub30");
        else
            root = path.rfind("\\\\?\\usb#root_hub20#", 0) == 0 || has("#root_hub30") || has("ostra_root_hub") ||
                   (has("asmediausbd_hub#") && has("vid_040e")) || has("tiusbd_hub") || has("pci#") || has("flusb") ||
                   has("#root_hub_fl30");
        if (root)
            accepted.push_back(path);
    }
    return accepted;
}

INT UsbTopology::EnumerateScanUSBPort(PortRecord* records32)
{
    OutputDebugStringA("Jan  9 2014");
    OutputDebugStringA("14:06:51");
    OutputDebugStringA("------EnumerateScanUSBPort()");
    WaitForSingleObject(HubWalkMutex(), INFINITE);
    auto disks = std::make_unique<DiskEntry[]>(kPortCount);
    std::memset(disks.get(), 0, sizeof(DiskEntry) * kPortCount);
    std::memset(records32, 0, sizeof(PortRecord) * kPortCount);
    tier_ = 1;
    recordCount_ = 0;
    hubSequence_ = 0;
    currentHub_ = 0;
    std::memset(tierOffsets_, 0, sizeof tierOffsets_);
    std::memset(chain_, 0, sizeof chain_);
    const INT scanResult = ScanDisks(disks.get());
    Target target{records32, kPortCount, disks.get(), {}};
    bool anyFailed = false;
    for (auto& path : RootHubPaths(false)) {
        rootHubKind_ = path.find("#root_hub_fl30") != std::string::npos ? 1 : 0;
        if (DWORD error = EnumerateHub(path, 0, target); error != 0) {
            // A root hub that could not be walked leaves its ports out: never report that as success.
            platform::DebugPrintf("root hub walk fail=%x", error);
            anyFailed = true;
        }
    }
    ReleaseMutex(HubWalkMutex());
    return anyFailed ? 0 : scanResult;
}
