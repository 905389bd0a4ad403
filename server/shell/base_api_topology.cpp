// USB topology walk and disk matching.
#include "server/shell/base_api.h"
#include "server/shell/debug_line.h"
#include "server/shell/slot_entry.h"
#include "server/topology/hub_scan.h"

using portwarden::EntryLineOnly;

INT CBaseAPI::ScanDiskPathBySymbolicName(DiskEntry*) { return EntryLineOnly("ScanDiskPathBySymbolicName()"); }

INT CBaseAPI::EnumerateScanUSBPort(PortRecord*)
{
    // The build stamp opens every full walk.
    OutputDebugStringA("Jan  9 2014");
    OutputDebugStringA("14:06:51");
    return EntryLineOnly("------EnumerateScanUSBPort()");
}

INT CBaseAPI::PollingSingleUSBPort(PortRecord*) { return EntryLineOnly("PollingSingleUSBPort()"); }
INT CBaseAPI::ScanHub(HubRecord* records32) { return ScanMakerHubs(records32); }
INT CBaseAPI::PollingHubPort(HubRecord* record) { return PollMakerHubPort(record); }

INT CBaseAPI::PollingSingleUSBPortEx(PortRecord*, BYTE, BYTE index)
{
    portwarden::DebugLine("PollingSingleUSBPortEx(%d)", index);
    return 0;
}
