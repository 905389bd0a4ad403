#include "server/topology/hub_scan.h"

#include "platform/debug/debug.h"
#include "server/topology/hub_lister.h"
#include "server/topology/root_hubs.h"

#include <cstring>

INT ScanMakerHubs(HubRecord* records32)
{
    OutputDebugStringA("ScanHub()");
    if (records32 == nullptr) {
        OutputDebugStringA("ScanHub: no hub records");
        return 0;
    }
    std::memset(records32, 0, sizeof(HubRecord) * kHubRecordCount);
    HubLister lister(records32, kHubRecordCount);
    bool anyFailed = false;
    for (auto& path : RootHubPaths(RootHubChoice::HubList)) {
        if (DWORD error = lister.Walk(path, nullptr); error != 0) {
            platform::DebugPrintf("root hub walk fail=%x", error);
            anyFailed = true;
        }
    }
    OutputDebugStringA("ScanHub_End()");
    return anyFailed ? 0 : 1;
}
