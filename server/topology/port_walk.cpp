// Walking hubs port by port: what is on each port, hubs walked in turn, mass-storage
// devices filled into the next free record and matched to their disks.
#include "server/topology/usb_topology.h"

#include "platform/base/handle.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"
#include "server/topology/hub_link.h"
#include "server/topology/registry_info.h"

#include <cstring>

void UsbTopology::WriteChain(PortRecord& record, unsigned portCount, unsigned port) const
{
    // Tiers beyond the fifth have no room in the chain: their bytes would land on the
    // present and changed flags.
    if (tier_ >= 1 && tier_ <= kMaxTiers) {
        BYTE chain[2 * kMaxTiers];
        std::memcpy(chain, chain_, sizeof chain);
        chain[2 * (tier_ - 1)] = static_cast<BYTE>(currentHub_ << 4);
        chain[2 * (tier_ - 1) + 1] = static_cast<BYTE>(((port & 0x0F) << 4) | (portCount & 0x0F));
        std::memcpy(record.tierChain, chain, 2 * tier_);
    } else {
        std::memcpy(record.tierChain, chain_, sizeof chain_);
    }
}

DWORD UsbTopology::EnumerateHub(const std::string& hubPath, unsigned onePort, Target& target)
{
    HANDLE hub;
    unsigned portCount = 0;
    if (DWORD error = OpenHub(hubPath, hub, portCount); error != 0)
        return error;
    DWORD result;
    if (onePort == 0) {
        ++hubSequence_;
        const int slot = tier_ >= 1 && tier_ <= kMaxTiers ? tier_ - 1 : -1;
        BYTE offset = static_cast<BYTE>(hubSequence_ - currentHub_);
        if (slot >= 0)
            tierOffsets_[slot] = offset;
        currentHub_ = hubSequence_;
        result = EnumerateHubPorts(hub, hubPath, 1, portCount, portCount, target);
        currentHub_ = static_cast<BYTE>(currentHub_ - (slot >= 0 ? tierOffsets_[slot] : offset));
    } else {
        result = EnumerateHubPorts(hub, hubPath, onePort, onePort, onePort, target);
    }
    CloseHandle(hub);
    return result;
}

DWORD UsbTopology::EnumerateHubPorts(HANDLE hub, const std::string& hubPath, unsigned first, unsigned last,
                                     unsigned portCount, Target& target)
{
    OutputDebugStringA("EnumerateHubPorts");
    DWORD result = 0;
    unsigned nameAttempts = 0;
    PortRecord overflow; // a device past the last record is walked but not kept
    for (unsigned port = first; port <= last; ++port) {
        PortRecord& record = recordCount_ < target.capacity ? target.records[recordCount_] : overflow;
        record.present = 0;
        HubConnection connection;
        if (!ReadConnectedPort(hub, port, connection, result))
            continue;
        if (connection.isHub) {
            // A name that cannot be read ends this hub's walk.
            std::string name;
            if (!GetHubName(hub, port, nameAttempts, name))
                return result;
            if (tier_ >= 1 && tier_ <= kMaxTiers) {
                chain_[2 * (tier_ - 1)] = static_cast<BYTE>(currentHub_ << 4);
                chain_[2 * (tier_ - 1) + 1] = static_cast<BYTE>(((port & 0x0F) << 4) | (portCount & 0x0F));
            }
            ++tier_;
            if (DWORD error = EnumerateHub("\\\\.\\" + name, 0, target); error != 0)
                result = error;
            --tier_;
            if (tier_ >= 1 && tier_ <= kMaxTiers)
                std::memset(chain_ + 2 * (tier_ - 1), 0, 2);
            continue;
        }
        std::vector<BYTE> config;
        if (!GetConfigDescriptor(hub, port, config)) {
            if (!rootHubKind_) {
                OutputDebugStringA("CK1, continue");
                continue;
            }
        } else {
            OutputDebugStringA("GetConfigDescriptor_OK");
        }
        if (!rootHubKind_ && !FirstInterfaceIsMassStorage(config)) {
            OutputDebugStringA("== Parse_ConfigDescriptor Failed! ===");
            continue;
        }
        std::string driverKey;
        if (!GetDriverKeyName(hub, port, driverKey)) {
            OutputDebugStringA("Error1, continue");
            continue;
        }
        std::memset(&record, 0, sizeof record);
        LookupUsbRegistryInfo(connection.vendorId, connection.productId, driverKey, record);
        if (!rootHubKind_ && (connection.manufacturerIndex | connection.productIndex | connection.serialIndex) != 0 &&
            !ReadPortStrings(hub, port, connection, record)) {
            OutputDebugStringA("Descs==NULL, continue");
            std::memset(&record, 0, sizeof record);
            continue;
        }
        record.idVendor = connection.vendorId;
        record.idProduct = connection.productId;
        // A SuperSpeed device keeps speed 3 even where the hub driver reports a slower link.
        record.speed = connection.bcdUsb >= 0x0300 ? 3 : connection.speed;
        platform::DebugPrintf("Index=%d, Speed=%d", recordCount_, record.speed);
        platform::CopyToField(record.hubPath, sizeof record.hubPath, hubPath);
        WriteChain(record, portCount, port);
        record.hubPortCount = portCount;
        record.portNumber = port;
        record.hubTier = tier_;
        record.present = 1;
        platform::CopyToField(record.driverKeyName, sizeof record.driverKeyName, driverKey);
        if (target.disks != nullptr) {
            if (MatchPortToDisk(record, target.disks, target.taken) != 0) {
                platform::DebugPrintf("Index=%d, Speed=%d", recordCount_, record.speed);
                std::memset(&record, 0, sizeof record);
                continue;
            }
            if (switches_.forceUsb30) {
                if (connection.speed != 3) {
                    target.taken.reset(record.diskIndex);
                    std::memset(&record, 0, sizeof record);
                    continue;
                }
                record.speed = 0;
            }
        }
        if (recordCount_ < target.capacity)
            ++recordCount_;
        else
            platform::DebugPrintf("record table full, port %d left out", port);
    }
    return result;
}
