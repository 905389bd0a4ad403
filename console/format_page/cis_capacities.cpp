#include "console/format_page/cis_capacities.h"

#include "console/server_link.h"
#include "engine/ports/device_handle_table.h"
#include "platform/debug/debug.h"
#include "portwarden/records.h"

#include <algorithm>
#include <string>

namespace {

constexpr int kSysAddressBytes = 64;
constexpr int kCisBlockBytes = 1024;
constexpr INT kCisBlockKind = 2;
constexpr BYTE kRead = 1;
constexpr PackedBlockTag kCisTag{{'C', 'I', 'S', 'S', 'Y', 'S', 0, 0}};

DWORD BigEndian32(const BYTE* at)
{
    return (DWORD{at[0]} << 24) | (DWORD{at[1]} << 16) | (DWORD{at[2]} << 8) | at[3];
}

// The port's disk, open while the object lives.
class OpenedDisk {
public:
    OpenedDisk(BYTE index, const PortRecord& record) : index_(index)
    {
        const std::string path(record.DevicePath());
        opened_ = PortwardenCtrl->OpenDiskPathBySymbolicName(DeviceHandleTable, index_, path.c_str()) == 1;
    }
    ~OpenedDisk()
    {
        if (opened_)
            PortwardenCtrl->CloseDiskPath(DeviceHandleTable, index_);
    }
    OpenedDisk(const OpenedDisk&) = delete;
    OpenedDisk& operator=(const OpenedDisk&) = delete;

    bool Opened() const { return opened_; }

private:
    BYTE index_;
    bool opened_ = false;
};

} // namespace

std::optional<CisCapacities> ReadOpenDiskCisCapacities(BYTE index, CISImage& image, const char* who)
{
    BYTE addresses[kSysAddressBytes];
    std::fill(std::begin(addresses), std::end(addresses), 0xFF);
    if (PortwardenCtrl2->ReadSYSAddress(DeviceHandleTable, index, kRead, addresses) != 1) {
        platform::DebugPrintf("%s: ReadSYSAddress failed on port %d", who, index);
        return std::nullopt;
    }
    if (BigEndian32(addresses) == 0xFFFFFFFF) {
        platform::DebugPrintf("%s: port %d has no CIS", who, index);
        return std::nullopt;
    }
    for (std::size_t k = 0; k < 4; ++k)
        image.SetDword(cis::kBlockAddresses + 4 * k, BigEndian32(addresses + 4 * k));
    CISImage block{};
    const INT flags = image.bytes[cis::kBlockAccessFlags] & 0x0F;
    if (PortwardenCtrl2->ReadWriteBlock(DeviceHandleTable, index, kRead, kCisBlockKind, flags, kCisTag,
                                        static_cast<INT>(BigEndian32(addresses)), kCisBlockBytes, block.bytes) != 1) {
        platform::DebugPrintf("%s: the CIS block of port %d cannot be read", who, index);
        return std::nullopt;
    }
    return CisBlockCapacities(block);
}

std::optional<LunCapacities> ReadCisCapacities(int port, const PortRecord& record, CISImage& image)
{
    const std::optional<BYTE> index = DeviceHandleIndex(port);
    if (!index || PortwardenCtrl == nullptr || PortwardenCtrl2 == nullptr) {
        platform::DebugPrintf("Cap From CIS: no server or no port %d", port);
        return std::nullopt;
    }
    OpenedDisk disk(*index, record);
    if (!disk.Opened()) {
        platform::DebugPrintf("Cap From CIS: the disk of port %d cannot be opened", port);
        return std::nullopt;
    }
    const std::optional<CisCapacities> capacities = ReadOpenDiskCisCapacities(*index, image, "Cap From CIS");
    if (!capacities)
        return std::nullopt;
    return capacities->luns;
}
