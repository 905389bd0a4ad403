// Vendor commands of the simulated controller: dispatch by group (CDB byte 1) and
// sub-command (byte 6), and the CPU reset the controller carries out itself.
#include "sim/disk/flash_disk.h"

namespace sim {

ScsiAnswer FlashDisk::Vendor(ScsiExchange& exchange)
{
    if (exchange.cdb.size() < 16)
        return ScsiAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);
    const std::uint8_t group = exchange.cdb[1];
    VendorRequest request{exchange, xdata_};
    // The latest registration first: models plugged in later take over.
    for (auto entry = vendorHandlers_.rbegin(); entry != vendorHandlers_.rend(); ++entry) {
        if (entry->group != group || (entry->sub && *entry->sub != request.sub()))
            continue;
        if (auto answer = entry->handler(request))
            return *answer;
    }
    if (!knownGroups_[group])
        return InvalidCommand();
    return RecordedVendorReply(exchange);
}

// Group 0x02 sub 0x01: the controller restarts; its registers come up at their
// power-on values and it reports "becoming ready" for a while.
std::optional<ScsiAnswer> FlashDisk::CpuReset(VendorRequest& request)
{
    if (auto wrong = WrongPhase(request, Phase::None, 0))
        return wrong;
    ++cpuResets_;
    xdata_.Reset();
    notReadyPolls_ = resetNotReadyPolls_;
    return Done(request);
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
