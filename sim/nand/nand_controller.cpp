// The NAND model's state, its fault rules, and the register, reset, id and ISP groups.
#include "sim/nand/nand_controller.h"

#include "sim/nand/nand_cdb.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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
constexpr std::uint8_t kHandledGroups[] = {0x01, 0x02, 0x50, 0x51, 0x6F, 0x90, 0x95, 0x9F, 0xF1, 0xF2, 0xF8};

} // namespace

bool IsSystemTag(const SpareTag& tag)
{
    return tag[3] == 'S' && tag[4] == 'Y' && tag[5] == 'S';
}

NandController::NandController(NandConfig config)
    : config_(std::move(config)), store_(config_.geometry), faults_(config_.seed)
{
    registers_[reg::kEncryption] = config_.encryption;
    registers_[reg::kFlashAccess] = config_.flashAccess;
    registers_[reg::kEccSetting] = config_.eccSetting;
    registers_[reg::kCpuControl] = 0x20;
    registers_[reg::kCorePower] = 0x33;
}

void NandController::Attach(FlashDisk& disk)
{
    for (std::uint8_t group : kHandledGroups)
        disk.SetVendorGroupHandler(group, [this, group](ScsiExchange& exchange) { return Handle(group, exchange); });
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

ScsiAnswer NandController::Handle(std::uint8_t group, ScsiExchange& exchange)
{
    std::lock_guard guard(lock_);
    if (FlashGated(group))
        return ScsiAnswer::Check(kSenseNotReady, 0x04, 0x00);
    switch (group) {
    case 0x01: return Registers(exchange);
    case 0x02: return ConfigureLun(exchange);
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

ScsiAnswer NandController::Registers(ScsiExchange& exchange)
{
    const std::uint8_t sub = exchange.cdb[6];
    if (sub != kRegisterRead && sub != kRegisterWrite)
        return ZeroReply(exchange);
    const bool read = sub == kRegisterRead;
    const std::uint16_t first = Be16(exchange.cdb, 4);
    ++counts_[read ? NandOp::RegisterRead : NandOp::RegisterWrite];
    Operation operation;
    operation.op = read ? NandOp::RegisterRead : NandOp::RegisterWrite;
    operation.reg = first;
    Faults faults = Apply(operation);
    if (faults.answer)
        return *faults.answer;
    if (read != (exchange.direction == DataDirection::FromDevice) || exchange.data.empty())
        return InvalidField();
    for (std::size_t i = 0; i < exchange.data.size(); ++i) {
        const auto address = static_cast<std::uint16_t>(first + i);
        if (read) {
            auto value = registers_.find(address);
            exchange.data[i] = i == 0 && faults.registerValue ? static_cast<std::uint8_t>(*faults.registerValue)
                                                              : value == registers_.end() ? 0 : value->second;
        } else {
            registers_[address] = exchange.data[i];
            registerWrites_[address].push_back(exchange.data[i]);
        }
    }
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

ScsiAnswer NandController::ConfigureLun(ScsiExchange& exchange)
{
    const std::uint8_t sub = exchange.cdb[6];
    Operation operation;
    if (sub == kCpuReset) {
        operation.op = NandOp::CpuReset;
    } else if (sub == kLunConfigRead || sub == kLunConfigWrite) {
        operation.op = NandOp::LunConfig;
    } else {
        return ZeroReply(exchange);
    }
    ++counts_[operation.op];
    if (Faults faults = Apply(operation); faults.answer)
        return *faults.answer;
    if (sub == kCpuReset) {
        ++cpuResets_;
        notReadyPolls_ += config_.cpuResetNotReadyPolls;
        return ScsiAnswer::Good(0);
    }
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
    if (exchange.cdb[6] != kFlashId)
        return ZeroReply(exchange);
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
    if (exchange.cdb[6] == kIspLoad) {
        if (exchange.direction != DataDirection::ToDevice || exchange.data.empty())
            return InvalidField();
        ispLoaded_ = true;
    }
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
    std::lock_guard guard(lock_);
    registers_[address] = value;
}

std::uint8_t NandController::Register(std::uint16_t address) const
{
    std::lock_guard guard(lock_);
    auto value = registers_.find(address);
    return value == registers_.end() ? 0 : value->second;
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
    std::lock_guard guard(lock_);
    return cpuResets_;
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
