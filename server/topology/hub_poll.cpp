#include "server/topology/hub_scan.h"

#include "platform/debug/debug.h"
#include "server/topology/hub_lister.h"

#include <string>

namespace {

// The port walked into a fresh record: what the port holds now, when it is one of the
// maker's hubs, with the slots of its own ports. A poll has room for that one record, so
// maker's hubs further down are left to the hub list.
bool WalkPolledPort(const HubRecord& record, HubRecord& fresh)
{
    const std::string parent(RecordText(record.parentHubPath));
    if (parent.empty() || record.portNumber == 0) {
        OutputDebugStringA("PollingHubPort: no parent hub port in the record");
        return false;
    }
    HubLister lister(&fresh, 1);
    if (DWORD error = lister.Walk(parent, nullptr, record.portNumber); error != 0) {
        platform::DebugPrintf("PollingHubPort: parent hub walk fail=%x", error);
        return false;
    }
    return true;
}

} // namespace

INT PollMakerHubPort(HubRecord* record)
{
    OutputDebugStringA("PollingHubPort()");
    if (record == nullptr) {
        OutputDebugStringA("PollingHubPort: no hub record");
        return 0;
    }
    HubRecord fresh{};
    const bool walked = WalkPolledPort(*record, fresh);
    if (!walked || fresh.connectionStatus != record->connectionStatus) {
        record->connectionStatus = walked ? fresh.connectionStatus : 0;
        record->changed = 1;
        if (!walked)
            return 0;
    }
    if (record->connectionStatus != 0) {
        // The fresh record knows nothing of changes the caller has not seen yet.
        const BYTE changed = record->changed;
        *record = fresh;
        record->changed = changed;
    }
    return 1;
}
