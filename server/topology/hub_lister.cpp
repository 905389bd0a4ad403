#include "server/topology/hub_lister.h"

#include "platform/base/handle.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"
#include "server/topology/hub_link.h"

#include <vector>

namespace {

// The maker's vendor id, as the program's table of supported devices has it.
constexpr WORD MakerVendorId = 0x2F52;
constexpr unsigned kDownstreamSlots = 4;

void Record(HubRecord& record, const std::string& parentPath, unsigned portCount, unsigned port,
            const HubConnection& connection, const std::string& ownPath)
{
    platform::CopyToField(record.parentHubPath, sizeof record.parentHubPath, parentPath);
    record.parentPortCount = static_cast<BYTE>(portCount);
    record.portNumber = static_cast<BYTE>(port);
    record.connectionStatus = static_cast<BYTE>(connection.status);
    record.speed = connection.speed;
    platform::CopyToField(record.ownPath, sizeof record.ownPath, ownPath);
    record.idVendor = connection.vendorId;
    record.idProduct = connection.productId;
}

} // namespace

DWORD HubLister::Walk(const std::string& path, HubRecord* own, unsigned onePort)
{
    HANDLE hub;
    unsigned portCount = 0;
    if (DWORD error = OpenHub(path, hub, portCount); error != 0)
        return error;
    DWORD result = 0;
    unsigned nameAttempts = 0;
    const unsigned first = onePort != 0 ? onePort : 1;
    const unsigned last = onePort != 0 ? onePort : portCount;
    for (unsigned port = first; port <= last; ++port) {
        HubConnection connection;
        if (!ReadConnectedPort(hub, port, connection, result))
            continue;
        if (connection.isHub) {
            if (connection.vendorId != MakerVendorId)
                continue;
            if (count_ == capacity_) {
                platform::DebugPrintf("hub record table full, hub on port %d left out", port);
                continue;
            }
            std::string name;
            if (!GetHubName(hub, port, nameAttempts, name))
                break; // as in the port walk, a name that cannot be read ends this hub's walk
            HubRecord& record = records_[count_++];
            const std::string ownPath = "\\\\.\\" + name;
            Record(record, path, portCount, port, connection, ownPath);
            if (DWORD error = Walk(ownPath, &record); error != 0)
                result = error;
            continue;
        }
        if (own == nullptr || port > kDownstreamSlots)
            continue;
        std::vector<BYTE> config;
        if (!GetConfigDescriptor(hub, port, config) || !FirstInterfaceIsMassStorage(config))
            continue;
        HubPortSlot& slot = own->downstream[port - 1];
        slot.parentPortCount = static_cast<BYTE>(portCount);
        slot.portNumber = static_cast<BYTE>(port);
        slot.connectionStatus = static_cast<BYTE>(connection.status);
        slot.speed = connection.speed;
    }
    CloseHandle(hub);
    return result;
}
