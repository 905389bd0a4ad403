#include "server/topology/usb_topology.h"

#include "platform/debug/debug.h"
#include "platform/sync/sync.h"
#include "server/topology/hub_walk_mutex.h"
#include "server/topology/root_hubs.h"

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
    for (auto& path : RootHubPaths(switches_.forceUsb30 ? RootHubChoice::PortWalkUsb30 : RootHubChoice::PortWalk)) {
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
