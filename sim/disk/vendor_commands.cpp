// Vendor commands of the simulated controller: dispatch by group (CDB byte 1).
#include "sim/disk/flash_disk.h"

namespace sim {

ScsiAnswer FlashDisk::Vendor(ScsiExchange& exchange)
{
    if (exchange.cdb.size() < 16)
        return ScsiAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);
    auto handler = vendorGroups_.find(exchange.cdb[1]);
    if (handler == vendorGroups_.end())
        return ScsiAnswer::Check(kSenseIllegalRequest, 0x20, 0x00); // unknown group
    return handler->second(exchange);
}

// A known group without behaviour of its own: data in is the reply data, data out is taken.
ScsiAnswer FlashDisk::RecordedVendorReply(ScsiExchange& exchange)
{
    if (exchange.direction == DataDirection::FromDevice) {
        for (std::size_t i = 0; i < exchange.data.size(); ++i)
            exchange.data[i] = vendorReply_.empty() ? 0 : vendorReply_[i % vendorReply_.size()];
    }
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

} // namespace sim
