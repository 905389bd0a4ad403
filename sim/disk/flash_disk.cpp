#include "sim/disk/flash_disk.h"

#include "sim/disk/controller_commands.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace sim {
namespace {

// The vendor groups the maker's controllers take (caller-built test commands included).
constexpr std::uint8_t kKnownVendorGroups[] = {0x01, 0x02, 0x50, 0x51, 0x65, 0x66, 0x6F, 0x80,
                                               0x8B, 0x90, 0x95, 0x9F, 0xF1, 0xF2, 0xF8};

CommandKind KindOf(std::span<const std::uint8_t> cdb)
{
    if (cdb.empty())
        return {};
    if (cdb[0] != 0xEE || cdb.size() < 7)
        return {cdb[0], 0, 0};
    return {cdb[0], cdb[1], cdb[6]};
}

} // namespace

ScsiAnswer ScsiAnswer::Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq)
{
    ScsiAnswer answer;
    answer.status = kStatusCheckCondition;
    answer.sense.assign(18, 0);
    answer.sense[0] = 0x70; // current error, fixed format
    answer.sense[2] = key;
    answer.sense[7] = 10;   // additional sense length
    answer.sense[12] = asc;
    answer.sense[13] = ascq;
    return answer;
}

FlashDisk::FlashDisk(DiskIdentity identity, std::vector<std::uint64_t> lunSectors) : identity_(std::move(identity))
{
    if (lunSectors.empty())
        throw std::invalid_argument("a disk has at least one logical unit");
    for (std::uint64_t sectors : lunSectors)
        luns_.emplace_back(sectors);
    for (std::uint8_t group : kKnownVendorGroups)
        knownGroups_[group] = true;
    HandleVendorCommand(0x02, 0x01, [this](VendorRequest& request) { return CpuReset(request); });
    controller_ = std::make_unique<ControllerCommands>();
    controller_->Install(*this);
}

FlashDisk::~FlashDisk() = default;

ScsiAnswer FlashDisk::Execute(ScsiExchange& exchange)
{
    std::lock_guard guard(lock_);
    ++commandCount_;
    ++counts_[KindOf(exchange.cdb)];
    if (recording_)
        Record(exchange);
    if (auto fault = TakePlannedFault())
        return FaultAnswer(*fault, {}, exchange);
    if (auto fault = rules_.Apply(exchange))
        return *fault;
    if (exchange.lun >= luns_.size())
        return ScsiAnswer::Check(kSenseIllegalRequest, 0x25, 0x00); // logical unit not supported
    return Dispatch(exchange);
}

ScsiAnswer FlashDisk::Dispatch(ScsiExchange& exchange)
{
    if (exchange.cdb.empty())
        return ScsiAnswer::Check(kSenseIllegalRequest, 0x20, 0x00);
    switch (exchange.cdb[0]) {
    case 0x00: return TestUnitReady(exchange);
    case 0x12: return Inquiry(exchange);
    case 0x1B: return StartStopUnit(exchange);
    case 0x25: return ReadCapacity(exchange);
    case 0x28:
    case 0x2A: return ReadWrite10(exchange);
    case 0xA1: return AtaPassThrough(exchange);
    case 0xEE: return Vendor(exchange);
    default: return ScsiAnswer::Check(kSenseIllegalRequest, 0x20, 0x00); // invalid command operation code
    }
}

std::optional<FaultKind> FlashDisk::TakePlannedFault()
{
    auto due = std::find_if(faults_.begin(), faults_.end(), [&](const PlannedFault& f) { return f.command == commandCount_; });
    if (due == faults_.end())
        return std::nullopt;
    FaultKind kind = due->kind;
    faults_.erase(due);
    return kind;
}

void FlashDisk::Record(const ScsiExchange& exchange)
{
    CommandRecord record;
    record.lun = exchange.lun;
    record.cdb.assign(exchange.cdb.begin(), exchange.cdb.end());
    record.direction = exchange.direction;
    record.dataLength = static_cast<std::uint32_t>(exchange.data.size());
    record.timeoutMs = exchange.timeoutMs;
    bool vendor = !exchange.cdb.empty() && exchange.cdb[0] == 0xEE;
    if (vendor && exchange.direction == DataDirection::ToDevice)
        record.dataOut.assign(exchange.data.begin(), exchange.data.end());
    commands_.push_back(std::move(record));
}

void FlashDisk::FailCommand(unsigned nth, FaultKind kind)
{
    std::lock_guard guard(lock_);
    faults_.push_back({commandCount_ + nth, kind});
}

void FlashDisk::AddFaultRule(FaultRule rule)
{
    std::lock_guard guard(lock_);
    rules_.Add(std::move(rule));
}

void FlashDisk::ClearFaultRules()
{
    std::lock_guard guard(lock_);
    rules_.Clear();
}

void FlashDisk::NotReadyForPolls(unsigned polls)
{
    std::lock_guard guard(lock_);
    notReadyPolls_ = polls;
}

void FlashDisk::SetResetNotReadyPolls(unsigned polls)
{
    std::lock_guard guard(lock_);
    resetNotReadyPolls_ = polls;
}

unsigned FlashDisk::cpuResets() const
{
    std::lock_guard guard(lock_);
    return cpuResets_;
}

void FlashDisk::HandleVendorGroup(std::uint8_t group, VendorCommandHandler handler)
{
    std::lock_guard guard(lock_);
    knownGroups_[group] = true;
    vendorHandlers_.push_back({group, std::nullopt, std::move(handler)});
}

void FlashDisk::HandleVendorCommand(std::uint8_t group, std::uint8_t sub, VendorCommandHandler handler)
{
    std::lock_guard guard(lock_);
    knownGroups_[group] = true;
    vendorHandlers_.push_back({group, sub, std::move(handler)});
}

void FlashDisk::TakeOver(std::uint8_t group, std::optional<std::uint8_t> sub, VendorCommandHandler handler)
{
    std::lock_guard guard(lock_);
    knownGroups_[group] = true;
    std::erase_if(vendorHandlers_,
                  [&](const HandlerEntry& entry) { return entry.group == group && (!sub || entry.sub == sub); });
    vendorHandlers_.push_back({group, sub, std::move(handler)});
}

void FlashDisk::TakeOverVendorGroup(std::uint8_t group, VendorCommandHandler handler)
{
    TakeOver(group, std::nullopt, std::move(handler));
}

void FlashDisk::TakeOverVendorCommand(std::uint8_t group, std::uint8_t sub, VendorCommandHandler handler)
{
    TakeOver(group, sub, std::move(handler));
}

void FlashDisk::SetVendorGroupHandler(std::uint8_t group, VendorHandler handler)
{
    TakeOverVendorGroup(group, [handler = std::move(handler)](VendorRequest& request) -> std::optional<ScsiAnswer> {
        return handler(request.exchange);
    });
}

std::uint8_t FlashDisk::Xdata(std::uint16_t address) const
{
    std::lock_guard guard(lock_);
    return xdata_.Read(address);
}

void FlashDisk::SetXdata(std::uint16_t address, std::uint8_t value)
{
    std::lock_guard guard(lock_);
    xdata_.Write(address, value);
}

void FlashDisk::SetXdataPowerOn(std::uint16_t address, std::uint8_t value)
{
    std::lock_guard guard(lock_);
    xdata_.SetPowerOnValue(address, value);
}

std::vector<std::uint8_t> FlashDisk::XdataWrites(std::uint16_t address) const
{
    std::lock_guard guard(lock_);
    return xdata_.Writes(address);
}

void FlashDisk::SetVendorReply(std::vector<std::uint8_t> reply)
{
    std::lock_guard guard(lock_);
    vendorReply_ = std::move(reply);
}

void FlashDisk::SetRecording(bool on)
{
    std::lock_guard guard(lock_);
    recording_ = on;
}

std::vector<CommandRecord> FlashDisk::Commands() const
{
    std::lock_guard guard(lock_);
    return commands_;
}

std::vector<CommandRecord> FlashDisk::VendorCommands() const
{
    std::lock_guard guard(lock_);
    std::vector<CommandRecord> vendor;
    std::copy_if(commands_.begin(), commands_.end(), std::back_inserter(vendor),
                 [](const CommandRecord& r) { return !r.cdb.empty() && r.cdb[0] == 0xEE; });
    return vendor;
}

std::map<CommandKind, unsigned> FlashDisk::CommandCounts() const
{
    std::lock_guard guard(lock_);
    return counts_;
}

unsigned FlashDisk::CommandCount(CommandKind kind) const
{
    std::lock_guard guard(lock_);
    auto found = counts_.find(kind);
    return found == counts_.end() ? 0 : found->second;
}

void FlashDisk::ClearCommands()
{
    std::lock_guard guard(lock_);
    commands_.clear();
    counts_.clear();
}

std::vector<std::uint8_t> FlashDisk::ReadSectors(unsigned lun, std::uint64_t lba, std::uint32_t count) const
{
    std::lock_guard guard(lock_);
    const LunStore& store = luns_.at(lun);
    if (!store.Contains(lba, count))
        throw std::out_of_range("sectors beyond the logical unit");
    std::vector<std::uint8_t> sectors(std::size_t{count} * LunStore::kSectorSize);
    store.Read(lba, sectors);
    return sectors;
}

void FlashDisk::WriteSectors(unsigned lun, std::uint64_t lba, const std::vector<std::uint8_t>& sectors)
{
    std::lock_guard guard(lock_);
    LunStore& store = luns_.at(lun);
    if (sectors.size() % LunStore::kSectorSize != 0 || !store.Contains(lba, sectors.size() / LunStore::kSectorSize))
        throw std::out_of_range("sectors beyond the logical unit");
    store.Write(lba, sectors);
}

void FlashDisk::LinkLunNode(unsigned lun, const std::string& nodeFile) const
{
    std::lock_guard guard(lock_);
    luns_.at(lun).LinkNode(nodeFile);
}

bool FlashDisk::mediumLoaded() const
{
    std::lock_guard guard(lock_);
    return mediumLoaded_;
}

} // namespace sim
