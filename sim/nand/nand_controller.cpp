// The NAND model's state, its fault rules, and the register, reset, id and ISP groups.
#include "sim/nand/nand_controller.h"

#include "sim/nand/nand_cdb.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace sim::nand {
namespace {

constexpr std::uint8_t kRegisterRead = 0x04;
constexpr std::uint8_t kRegisterWrite = 0x05;
constexpr std::uint8_t kCpuReset = 0x01;
constexpr std::uint8_t kLunConfigRead = 0x88;
constexpr std::uint8_t kLunConfigWrite = 0x8A;
constexpr std::uint8_t kFlashId = 0x82;
constexpr std::uint8_t kIspLoad = 0x81;

// The groups that reach the flash itself, closed by the ISP-load gate.
constexpr std::uint8_t kFlashGroups[] = {0x50, 0x51, 0x95, 0xF8};
// Whole groups the model answers, and single commands of the controller's other groups.
constexpr std::uint8_t kNandGroups[] = {0x50, 0x51, 0x6F, 0x95, 0xF1, 0xF2, 0xF8};
constexpr std::pair<std::uint8_t, std::uint8_t> kNandCommands[] = {
    {0x01, kRegisterRead}, {0x01, kRegisterWrite}, {0x02, kCpuReset}, {0x02, kLunConfigRead},
    {0x02, kLunConfigWrite}, {0x90, kFlashId}, {0x9F, kIspLoad}};

// The sub-commands of the flash groups the model answers; others are passed on.
bool Modelled(std::uint8_t group, std::uint8_t sub)
{
    switch (group) {
    case 0x50: return sub == 0x70 || sub == 0x80;
    case 0x51: return sub == 0x00 || sub == 0x01;
    case 0x95: return sub >= 0x88 && sub <= 0x8E;
    case 0xF8: return sub == 0x80 || sub == 0x82 || sub == 0x84 || sub == 0x86 || sub == 0x88;
    default: return true;
    }
}

} // namespace

bool IsSystemTag(const SpareTag& tag)
{
    return tag[3] == 'S' && tag[4] == 'Y' && tag[5] == 'S';
}

NandController::NandController(NandConfig config)
    : config_(std::move(config)), store_(config_.geometry), faults_(config_.seed)
{
}

void NandController::Attach(FlashDisk& disk)
{
    disk_ = &disk;
    disk.SetXdata(0x2809, config_.encryption);
    disk.SetXdata(kFlashAccessRegister, config_.flashAccess);
    disk.SetResetNotReadyPolls(config_.cpuResetNotReadyPolls);
    auto handler = [this](std::uint8_t group) {
        return [this, group](VendorRequest& request) { return Handle(group, request); };
    };
    for (std::uint8_t group : kNandGroups)
        disk.HandleVendorGroup(group, handler(group));
    for (auto [group, sub] : kNandCommands)
        disk.HandleVendorCommand(group, sub, handler(group));
    disk.SetReadinessHook([this] { return TakeNotReadyPoll(); });
}

bool NandController::TakeNotReadyPoll()
{
    std::lock_guard guard(lock_);
    ++counts_[NandOp::TestUnitReady];
    Operation operation;
    operation.op = NandOp::TestUnitReady;
    Apply(operation); // a NotReady rule adds its polls
    if (notReadyPolls_ == 0)
        return false;
    --notReadyPolls_;
    return true;
}

NandController::Faults NandController::Apply(const Operation& operation)
{
    Faults faults;
    for (const FaultRule& rule : faults_.Hits(operation)) {
        switch (rule.effect) {
        case FaultEffect::CallFails:
            if (!faults.answer)
                faults.answer = ScsiAnswer{EIO, kStatusGood, 0, {}, 0};
            break;
        case FaultEffect::CheckCondition:
            if (!faults.answer)
                faults.answer = ScsiAnswer::Check(kSenseHardwareError, 0x44, 0x00);
            break;
        case FaultEffect::NotCompleted:
            if (!faults.answer)
                faults.answer = ScsiAnswer{0, kStatusNotCompleted, 0, {}, 0};
            break;
        case FaultEffect::RegisterValue: faults.registerValue = rule.value; break;
        case FaultEffect::BitErrors: faults.bitErrors += rule.value; break;
        case FaultEffect::OperationFails: faults.operationFails = true; break;
        case FaultEffect::SpareOverride: faults.spare = rule.spare; break;
        case FaultEffect::NotReady: notReadyPolls_ += rule.value; break;
        }
    }
    return faults;
}

bool NandController::FlashGated(std::uint8_t group) const
{
    return config_.requireIspLoad && !ispLoaded_ &&
           std::find(std::begin(kFlashGroups), std::end(kFlashGroups), group) != std::end(kFlashGroups);
}

std::optional<ScsiAnswer> NandController::Handle(std::uint8_t group, VendorRequest& request)
{
    std::lock_guard guard(lock_);
    xdata_ = &request.xdata;
    std::optional<ScsiAnswer> answer = Dispatch(group, request.exchange);
    xdata_ = nullptr;
    return answer;
}

std::optional<ScsiAnswer> NandController::Dispatch(std::uint8_t group, ScsiExchange& exchange)
{
    const std::uint8_t sub = exchange.cdb[6];
    if (!Modelled(group, sub))
        return std::nullopt;
    if (FlashGated(group))
        return ScsiAnswer::Check(kSenseNotReady, 0x04, 0x00);
    switch (group) {
    case 0x01: return WatchRegisters(exchange);
    case 0x02: return sub == kCpuReset ? WatchCpuReset() : std::optional(LunConfiguration(exchange));
    case 0x50: return BlockMark(exchange);
    case 0x51: return CheckBlocks(exchange);
    case 0x6F: return Plain(NandOp::CacheClear, exchange);
    case 0x90: return SystemAccess(exchange);
    case 0x95: return BlockAccess(exchange);
    case 0x9F: return IspAccess(exchange);
    case 0xF8: return VirtualBlocks(exchange);
    default: return Plain(NandOp::TestCommand, exchange);
    }
}

// A command with no effect on the model: data in reads as zeros.
ScsiAnswer NandController::Plain(NandOp op, ScsiExchange& exchange)
{
    ++counts_[op];
    Operation operation;
    operation.op = op;
    if (Faults faults = Apply(operation); faults.answer)
        return *faults.answer;
    return ZeroReply(exchange);
}

// The controller answers register accesses itself; the rules may answer instead, and every
// value written is kept in order.
std::optional<ScsiAnswer> NandController::WatchRegisters(ScsiExchange& exchange)
{
    const bool read = exchange.cdb[6] == kRegisterRead;
    const std::uint16_t first = Be16(exchange.cdb, 4);
    ++counts_[read ? NandOp::RegisterRead : NandOp::RegisterWrite];
    Operation operation;
    operation.op = read ? NandOp::RegisterRead : NandOp::RegisterWrite;
    operation.reg = first;
    Faults faults = Apply(operation);
    if (faults.answer)
        return faults.answer;
    if (read && faults.registerValue && exchange.data.size() == 1 && exchange.direction == DataDirection::FromDevice) {
        exchange.data[0] = static_cast<std::uint8_t>(*faults.registerValue);
        return ScsiAnswer::Good(1);
    }
    if (!read && exchange.direction == DataDirection::ToDevice)
        for (std::size_t i = 0; i < exchange.data.size(); ++i)
            registerWrites_[static_cast<std::uint16_t>(first + i)].push_back(exchange.data[i]);
    return std::nullopt;
}

std::optional<ScsiAnswer> NandController::WatchCpuReset()
{
    ++counts_[NandOp::CpuReset];
    Operation operation;
    operation.op = NandOp::CpuReset;
    return Apply(operation).answer;
}

ScsiAnswer NandController::LunConfiguration(ScsiExchange& exchange)
{
    const std::uint8_t sub = exchange.cdb[6];
    ++counts_[NandOp::LunConfig];
    Operation operation;
    operation.op = NandOp::LunConfig;
    if (Faults faults = Apply(operation); faults.answer)
        return *faults.answer;
    if (exchange.data.size() != lunConfiguration_.size())
        return InvalidField();
    if (sub == kLunConfigRead) {
        if (exchange.direction != DataDirection::FromDevice)
            return InvalidField();
        std::memcpy(exchange.data.data(), lunConfiguration_.data(), lunConfiguration_.size());
    } else {
        if (exchange.direction != DataDirection::ToDevice)
            return InvalidField();
        std::memcpy(lunConfiguration_.data(), exchange.data.data(), lunConfiguration_.size());
    }
    return ScsiAnswer::Good(static_cast<std::uint32_t>(lunConfiguration_.size()));
}

// Group 0x90 sub 0x82: the flash id of one CE (byte 11), one 16-byte group per channel;
// absent channels and CEs read as zeros.
ScsiAnswer NandController::SystemAccess(ScsiExchange& exchange)
{
    ++counts_[NandOp::FlashId];
    const unsigned ce = exchange.cdb[11];
    Operation operation;
    operation.op = NandOp::FlashId;
    operation.ce = ce;
    if (Faults faults = Apply(operation); faults.answer)
        return *faults.answer;
    if (exchange.direction != DataDirection::FromDevice)
        return InvalidField();
    std::fill(exchange.data.begin(), exchange.data.end(), 0);
    if (ce < config_.geometry.ceCount)
        for (unsigned channel = 0; channel < config_.geometry.channelCount; ++channel)
            for (std::size_t i = 0; i < config_.geometry.id.size() && 16 * channel + i < exchange.data.size(); ++i)
                exchange.data[16 * channel + i] = config_.geometry.id[i];
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

ScsiAnswer NandController::IspAccess(ScsiExchange& exchange)
{
    ++counts_[NandOp::IspLoad];
    Operation operation;
    operation.op = NandOp::IspLoad;
    if (Faults faults = Apply(operation); faults.answer)
        return *faults.answer;
    if (exchange.direction != DataDirection::ToDevice || exchange.data.empty())
        return InvalidField();
    ispLoaded_ = true;
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

void NandController::MarkFactoryBad(unsigned path, unsigned block)
{
    std::lock_guard guard(lock_);
    store_.At(path, block).factoryBad = true;
}

void NandController::SetProfile(unsigned path, unsigned firstBlock, unsigned lastBlock, const BlockProfile& profile)
{
    std::lock_guard guard(lock_);
    for (unsigned block = firstBlock; block <= lastBlock; ++block)
        store_.SetProfile(path, block, profile);
}

void NandController::Program(unsigned path, unsigned block, unsigned page, const std::vector<std::uint8_t>& data,
                             const std::string& tag, bool encrypted)
{
    std::lock_guard guard(lock_);
    SpareTag spare{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::memcpy(spare.data(), tag.data(), std::min(tag.size(), spare.size()));
    store_.Program(path, block, page, data, spare, encrypted);
}

void NandController::AddFault(const FaultRule& rule)
{
    std::lock_guard guard(lock_);
    faults_.Add(rule);
}

void NandController::SetRegister(std::uint16_t address, std::uint8_t value)
{
    disk_->SetXdata(address, value);
}

std::uint8_t NandController::Register(std::uint16_t address) const
{
    return disk_->Xdata(address);
}

std::vector<std::uint8_t> NandController::RegisterWrites(std::uint16_t address) const
{
    std::lock_guard guard(lock_);
    auto writes = registerWrites_.find(address);
    return writes == registerWrites_.end() ? std::vector<std::uint8_t>{} : writes->second;
}

bool NandController::FactoryBad(unsigned path, unsigned block) const
{
    std::lock_guard guard(lock_);
    const BlockState* state = store_.Find(path, block);
    return state != nullptr && state->factoryBad;
}

bool NandController::MarkedBad(unsigned path, unsigned block) const
{
    std::lock_guard guard(lock_);
    const BlockState* state = store_.Find(path, block);
    return state != nullptr && state->markedBad;
}

unsigned NandController::Erases(unsigned path, unsigned block) const
{
    std::lock_guard guard(lock_);
    const BlockState* state = store_.Find(path, block);
    return state == nullptr ? 0 : state->erases;
}

bool NandController::PageProgrammed(unsigned path, unsigned block, unsigned page) const
{
    std::lock_guard guard(lock_);
    return store_.PageProgrammed(path, block, page);
}

std::vector<std::uint8_t> NandController::PageData(unsigned path, unsigned block, unsigned page) const
{
    std::lock_guard guard(lock_);
    std::vector<std::uint8_t> data(config_.geometry.pageBytes, 0xFF);
    store_.ReadPage(path, block, page, data);
    return data;
}

std::string NandController::PageTag(unsigned path, unsigned block, unsigned page) const
{
    std::lock_guard guard(lock_);
    auto tag = store_.Tag(path, block, page);
    if (!tag)
        return "";
    return std::string(tag->begin(), tag->end());
}

bool NandController::PageEncrypted(unsigned path, unsigned block, unsigned page) const
{
    std::lock_guard guard(lock_);
    std::vector<std::uint8_t> scratch(1);
    return store_.ReadPage(path, block, page, scratch).value_or(false);
}

std::array<std::uint8_t, 48> NandController::LunConfiguration() const
{
    std::lock_guard guard(lock_);
    return lunConfiguration_;
}

bool NandController::ispLoaded() const
{
    std::lock_guard guard(lock_);
    return ispLoaded_;
}

unsigned NandController::cpuResets() const
{
    return disk_->cpuResets();
}

std::size_t NandController::touchedBlocks() const
{
    std::lock_guard guard(lock_);
    return store_.TouchedBlocks();
}

std::map<NandOp, unsigned> NandController::Counts() const
{
    std::lock_guard guard(lock_);
    return counts_;
}

void NandController::ClearCounts()
{
    std::lock_guard guard(lock_);
    counts_.clear();
}

} // namespace sim::nand
