// USB topology walk and disk matching. The walk writes its own entry lines.
#include "server/shell/base_api.h"
#include "server/shell/slot_entry.h"
#include "server/topology/hub_scan.h"

using portwarden::EntryLineOnly;

INT CBaseAPI::ScanDiskPathBySymbolicName(DiskEntry* entries32) { return topology_->ScanDiskPathBySymbolicName(entries32); }
INT CBaseAPI::EnumerateScanUSBPort(PortRecord* records32) { return topology_->EnumerateScanUSBPort(records32); }
INT CBaseAPI::PollingSingleUSBPort(PortRecord* record) { return topology_->PollingSingleUSBPort(record); }
INT CBaseAPI::ScanHub(HubRecord* records32) { return ScanMakerHubs(records32); }
INT CBaseAPI::PollingHubPort(HubRecord* record) { return PollMakerHubPort(record); }

INT CBaseAPI::PollingSingleUSBPortEx(PortRecord* record, BYTE config, BYTE index)
{
    return topology_->PollingSingleUSBPortEx(record, config, index);
}
