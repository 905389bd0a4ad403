// The NAND model's state, its fault rules, the flash id, and what the tests read back.
#include "sim/nand/nand_controller.h"

#include "sim/disk/controller_commands.h"
#include "sim/disk/vendor_request.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace sim::nand {
namespace {

// The groups that reach the flash itself, closed by the ISP-load gate.
constexpr std::uint8_t kFlashGroups[] = {0x50, 0x51, 0x95, 0xF8};
constexpr std::uint8_t kSystemAccess = 0x90;
constexpr std::uint8_t kFlashIdRead = 0x82;
constexpr std::uint8_t kEraseSystemArea = 0x01;

sim::FaultKind AnswerOf(FaultEffect effect)
{
    switch (effect) {
    case FaultEffect::CallFails: return sim::FaultKind::FailedCall;
    case FaultEffect::NotCompleted: return sim::FaultKind::NotCompleted;
    default: return sim::FaultKind::CheckCondition;
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
    disk.SetXdataPowerOn(XdataRegisters::kEncryptionControl, config_.encryption);
    disk.SetXdataPowerOn(kFlashAccessRegister, config_.flashAccess);
    disk.SetResetNotReadyPolls(config_.cpuResetNotReadyPolls);
    auto handler = [this](VendorRequest& request) { return Handle(request); };
    for (std::uint8_t group : kFlashGroups)
        disk.TakeOverVendorGroup(group, handler);
    disk.TakeOverVendorCommand(kSystemAccess, kFlashIdRead, handler);
}

NandController::Faults NandController::Apply(const Operation& operation)
{
    Faults faults;
    for (const FaultRule& rule : faults_.Hits(operation)) {
        switch (rule.effect) {
        case FaultEffect::CallFails:
        case FaultEffect::CheckCondition:
        case FaultEffect::NotCompleted:
            if (!faults.answer) {
                ScsiExchange none;
                faults.answer = FaultAnswer(AnswerOf(rule.effect), {}, none);
            }
            break;
        case FaultEffect::BitErrors: faults.bitErrors += rule.value; break;
        case FaultEffect::OperationFails: faults.operationFails = true; break;
        case FaultEffect::SpareOverride: faults.spare = rule.spare; break;
        }
    }
    return faults;
}

std::optional<ScsiAnswer> NandController::Handle(VendorRequest& request)
{
    const std::optional<NandOp> op = FlashOpOf(request.group(), request.sub());
    if (!op)
        return std::nullopt;
    std::lock_guard guard(lock_);
    const bool gated = config_.requireIspLoad && request.group() != kSystemAccess && !disk_->controller().IspLoaded();
    if (gated)
        return ScsiAnswer::Check(kSenseNotReady, 0x04, 0x00);
    xdata_ = &request.xdata;
    std::optional<ScsiAnswer> answer = Dispatch(*op, request);
    xdata_ = nullptr;
    return answer;
}

std::optional<ScsiAnswer> NandController::Dispatch(NandOp op, VendorRequest& request)
{
    ScsiExchange& exchange = request.exchange;
    switch (request.group()) {
    case 0x50: return BlockMark(op, exchange);
    case 0x51: return request.sub() == kEraseSystemArea ? EraseSystemArea(exchange) : CheckBlocks(exchange);
    case kSystemAccess: return FlashId(exchange);
    case 0x95: return BlockAccess(op, exchange);
    default: return VirtualBlocks(op, exchange);
    }
}

// Group 0x90 sub 0x82: the flash id of one CE (byte 11), one 16-byte group per channel;
// absent channels and CEs read as zeros.
ScsiAnswer NandController::FlashId(ScsiExchange& exchange)
{
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
    return disk_->XdataWrites(address);
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
    return disk_->controller().Snapshot().lunConfiguration;
}

bool NandController::ispLoaded() const
{
    return disk_->controller().IspLoaded();
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
    std::map<NandOp, unsigned> counts;
    for (const auto& [kind, count] : disk_->CommandCounts())
        if (kind.opcode == 0xEE)
            if (auto op = FlashOpOf(kind.group, kind.sub))
                counts[*op] += count;
    return counts;
}

void NandController::ClearCounts()
{
    disk_->ClearCommands();
}

} // namespace sim::nand
