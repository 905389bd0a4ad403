// The USB topology walk of IPortwardenCtrl: the disk scan (slot 8), the full walk of the
// hub tree (slot 10), the single-port polls (slots 11, 59) and the disk matching that ties
// each mass-storage port to its disk. The walk state lives here; the switches are the
// object's (slots 34, 37, 54). Full walks and polls are serialised by HubWalkMutex().
#pragma once

#include "portwarden/records.h"
#include "server/scsi/stdcmd_control.h"
#include "server/scsi/vcomm_control.h"

#include <bitset>
#include <string>
#include <vector>

struct TopologySwitches {
    BYTE productFilterDisabled = 0;
    BYTE forceUsb30 = 0;
    INT filterDriverMode = 0;
};

class UsbTopology {
public:
    UsbTopology(CSTDCMDControl& standard, CVCommCMDControl& vendor, const TopologySwitches& switches);

    INT ScanDiskPathBySymbolicName(DiskEntry* entries32);
    INT EnumerateScanUSBPort(PortRecord* records32);
    INT PollingSingleUSBPort(PortRecord* record);
    INT PollingSingleUSBPortEx(PortRecord* record, BYTE config, BYTE index);

private:
    static constexpr int kMaxTiers = 5;

    // Where the walk puts what it finds: the caller's records (or one fresh record for a
    // poll) and, in a full walk, the disk list that ports are matched against.
    struct Target {
        PortRecord* records;
        std::size_t capacity;
        DiskEntry* disks; // nullptr in polls
        std::bitset<kPortCount> taken; // disks already given to a port
    };

    INT ScanDisks(DiskEntry* entries32);
    void FillDiskEntry(DiskEntry& entry, const std::string& path, DWORD devInst, bool cdrom);
    void ScanCdroms(DiskEntry* entries32, std::size_t& next, std::size_t diskCount, INT& answered);
    DWORD EnumerateHub(const std::string& hubPath, unsigned onePort, Target& target);
    DWORD EnumerateHubPorts(HANDLE hub, const std::string& hubPath, unsigned first, unsigned last, unsigned portCount,
                            Target& target);
    bool ReadPortStrings(HANDLE hub, ULONG port, const struct HubConnection& connection, PortRecord& record);
    void WriteChain(PortRecord& record, unsigned portCount, unsigned port) const;
    INT MatchPortToDisk(PortRecord& record, DiskEntry* disks, std::bitset<kPortCount>& taken);
    INT RecheckCapacity(PortRecord& record, const PortRecord& fresh);
    bool WalkOnePort(const PortRecord& record, PortRecord& fresh);
    bool WalkPolledPort(PortRecord& record, PortRecord& fresh);
    INT PollPort(PortRecord& record);
    INT PollPortEx(PortRecord& record, BYTE config);
    INT RescanAndReplace(PortRecord& record, PortRecord& fresh);

    CSTDCMDControl& standard_;
    CVCommCMDControl& vendor_;
    const TopologySwitches& switches_;

    // Walk state, reset by each full walk; polls reset only the record count.
    BYTE tier_ = 0;
    BYTE recordCount_ = 0;
    BYTE hubSequence_ = 0;
    BYTE currentHub_ = 0;
    BYTE tierOffsets_[kMaxTiers] = {};
    BYTE chain_[2 * kMaxTiers] = {}; // the tier chain of the hub being walked
    INT rootHubKind_ = 0;
};
