// Polling one port: walk its own hub port into a fresh record, note a change of presence,
// and re-match the disk when the device changed. Polls hold HubWalkMutex like full walks.
// A poll marks the record changed only when the port's presence, the device on it or the
// disk it was matched to differ from before the poll: the caller's view re-enables (and in
// automatic-start mode restarts) a changed port, so a drive that merely stays, with or
// without a letter, must not look changed.
#include "server/topology/usb_topology.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/sync/sync.h"
#include "server/topology/hub_walk_mutex.h"

#include <cstring>
#include <memory>

namespace {

constexpr DWORD kExtendedPollWaitMs = 10000;

bool IsVirtualDisk(const PortRecord& record)
{
    std::string_view product(reinterpret_cast<const char*>(record.disk.inquiry + 16), 16);
    return product.find("VirtualDisk") != std::string_view::npos;
}

bool HasDriveLetter(const PortRecord& record)
{
    return record.disk.driveLetterCount > 0;
}

// What a poll reports as a change of the port.
struct PortIdentity {
    explicit PortIdentity(const PortRecord& record)
        : present(record.present), driverKey(RecordText(record.driverKeyName)), devicePath(record.DevicePath())
    {
    }
    bool operator==(const PortIdentity&) const = default;

    BYTE present;
    std::string driverKey;
    std::string devicePath;
};

void MarkIfChanged(PortRecord& record, const PortIdentity& before)
{
    if (PortIdentity(record) != before)
        record.changed = 1;
}

class MutexHold {
public:
    explicit MutexHold(DWORD waitMs) : held_(WaitForSingleObject(HubWalkMutex(), waitMs) == WAIT_OBJECT_0) {}
    ~MutexHold()
    {
        if (held_)
            ReleaseMutex(HubWalkMutex());
    }
    bool held() const { return held_; }

private:
    bool held_;
};

} // namespace

bool UsbTopology::WalkOnePort(const PortRecord& record, PortRecord& fresh)
{
    std::memset(&fresh, 0, sizeof fresh);
    recordCount_ = 0;
    Target target{&fresh, 1, nullptr, {}};
    const std::string hubPath(RecordText(record.hubPath));
    if (hubPath.empty() || record.portNumber == 0 || EnumerateHub(hubPath, record.portNumber, target) != 0) {
        OutputDebugStringA("EnumerateHub fail");
        return false;
    }
    return true;
}

INT UsbTopology::RecheckCapacity(PortRecord& record, const PortRecord& fresh)
{
    if (!fresh.present)
        return 1;
    const std::string path(record.DevicePath());
    HANDLE disk = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (disk == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf("RecheckCapacity open fail=%x", GetLastError());
        return 0;
    }
    if (standard_.SendReadCapacity(disk, 0, record.disk.capacity) != 1)
        std::memset(record.disk.capacity, 0, sizeof record.disk.capacity);
    CloseHandle(disk);
    return 1;
}

INT UsbTopology::RescanAndReplace(PortRecord& record, PortRecord& fresh)
{
    auto disks = std::make_unique<DiskEntry[]>(kPortCount);
    std::memset(disks.get(), 0, sizeof(DiskEntry) * kPortCount);
    const INT scanResult = ScanDisks(disks.get());
    std::bitset<kPortCount> taken;
    if (scanResult == 0 || MatchPortToDisk(fresh, disks.get(), taken) != 0) {
        record.present = 0;
        return 0;
    }
    // The poll knows nothing of the walk's hub numbering: the record keeps its place in the tree.
    const DWORD portCount = record.hubPortCount;
    const BYTE tier = record.hubTier;
    BYTE chain[sizeof record.tierChain];
    std::memcpy(chain, record.tierChain, sizeof chain);
    record = fresh;
    record.hubPortCount = portCount;
    record.hubTier = tier;
    std::memcpy(record.tierChain, chain, sizeof chain);
    record.SetDevicePathFromDisk();
    return scanResult;
}

// What both polls do first: walk the port afresh and take its speed, serial and presence.
bool UsbTopology::WalkPolledPort(PortRecord& record, PortRecord& fresh)
{
    const bool walked = WalkOnePort(record, fresh);
    if (walked) {
        record.speed = fresh.speed;
        std::memcpy(record.serialNumber, fresh.serialNumber, sizeof record.serialNumber);
    }
    record.present = walked ? fresh.present : 0;
    return walked;
}

INT UsbTopology::PollingSingleUSBPort(PortRecord* record)
{
    OutputDebugStringA("PollingSingleUSBPort()");
    MutexHold hold(INFINITE);
    const PortIdentity before(*record);
    const INT result = PollPort(*record);
    MarkIfChanged(*record, before);
    return result;
}

INT UsbTopology::PollPort(PortRecord& record)
{
    auto fresh = std::make_unique<PortRecord>();
    if (!WalkPolledPort(record, *fresh))
        return 0;
    const bool sameDevice = RecordText(fresh->driverKeyName) == RecordText(record.driverKeyName);
    if (sameDevice && (IsVirtualDisk(record) || HasDriveLetter(record)) && RecheckCapacity(record, *fresh) != 0)
        return 1;
    if (!fresh->present)
        return 1;
    return RescanAndReplace(record, *fresh);
}

INT UsbTopology::PollingSingleUSBPortEx(PortRecord* record, BYTE config, BYTE index)
{
    platform::DebugPrintf("PollingSingleUSBPortEx(%d)", index);
    MutexHold hold(kExtendedPollWaitMs);
    if (!hold.held()) {
        // Another walk holds the tree: leave the record as it is and say what it holds.
        OutputDebugStringA("PollingSingleUSBPortEx wait timeout");
        return record->present;
    }
    const PortIdentity before(*record);
    const INT result = PollPortEx(*record, config);
    MarkIfChanged(*record, before);
    return result;
}

INT UsbTopology::PollPortEx(PortRecord& record, BYTE config)
{
    auto fresh = std::make_unique<PortRecord>();
    if (!WalkPolledPort(record, *fresh))
        return 0;
    BYTE check = 0;
    if (RecordText(fresh->driverKeyName) != RecordText(record.driverKeyName))
        check |= 1;
    if (!IsVirtualDisk(record) && !HasDriveLetter(record))
        check |= 2;
    if (RecheckCapacity(record, *fresh) == 0)
        check |= 4;
    platform::DebugPrintf("CheckResult=0x%X, Config=0x%X", check, config);
    if ((config & check) != 0) {
        if (!fresh->present)
            return 1;
        return RescanAndReplace(record, *fresh);
    }
    if ((config & 0x80) != 0)
        return 1;
    if (!fresh->present)
        return 1;
    auto disks = std::make_unique<DiskEntry[]>(kPortCount);
    std::memset(disks.get(), 0, sizeof(DiskEntry) * kPortCount);
    const INT scanResult = ScanDisks(disks.get());
    std::bitset<kPortCount> taken;
    if (scanResult == 0 || MatchPortToDisk(*fresh, disks.get(), taken) != 0) {
        record.present = 0;
        return 0;
    }
    std::memcpy(record.manufacturer, fresh->manufacturer, sizeof record.manufacturer);
    std::memcpy(record.product, fresh->product, sizeof record.product);
    record.disk = fresh->disk;
    record.diskIndex = fresh->diskIndex;
    record.SetDevicePathFromDisk();
    for (int i = 0; i < kPortCount; ++i)
        if (RecordText(disks[i].devicePath) == record.DevicePath() && disks[i].driveLetterCount > 0) {
            record.disk.driveLetters[0] = disks[i].driveLetters[0];
            break;
        }
    return scanResult;
}
