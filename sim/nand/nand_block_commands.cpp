// The flash groups of the NAND model: bad-block check (0x51), spare areas and block read,
// write and erase (0x95), block marks (0x50). A row address names the chip (CE, channel),
// the block and the page; a transfer's kind byte is the sectors each page takes, so a
// transfer of n sectors programs or reads n / kind consecutive pages.
#include "sim/nand/nand_controller.h"

#include "sim/disk/controller_commands.h"

#include <algorithm>
#include <cstring>

namespace sim::nand {
namespace {

constexpr std::size_t kKiB = 1024;

// What a page reads as when it was programmed under the other encryption setting; never
// 0x00 or 0xFF where the page held one of them.
std::uint8_t ScrambleKey(std::size_t at)
{
    return static_cast<std::uint8_t>(0x5A + 0x11 * (at % 9));
}

void Scramble(std::span<std::uint8_t> data)
{
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] ^= ScrambleKey(i);
}

std::uint32_t Mix(std::uint32_t value)
{
    value ^= value >> 16;
    value *= 0x7FEB352D;
    value ^= value >> 15;
    value *= 0x846CA68B;
    value ^= value >> 16;
    return value;
}

} // namespace

std::uint8_t NandController::CheckStatus(unsigned path, unsigned block, unsigned page) const
{
    if (!config_.geometry.Exists(block))
        return 1;
    const BlockState* state = store_.Find(path, block);
    if (state == nullptr)
        return 0;
    if (state->factoryBad || state->markedBad)
        return 1;
    std::uint8_t probe[1];
    std::optional<bool> encrypted = store_.ReadPage(path, block, page, probe);
    if (!encrypted)
        return 0;
    if (*encrypted != encryption())
        return 1; // unreadable under this setting
    auto tag = store_.Tag(path, block, page);
    return tag && IsSystemTag(*tag) ? 2 : 0;
}

// Bits flipped at positions fixed by the seed and the page, so a read-back is repeatable.
void NandController::FlipBits(std::span<std::uint8_t> data, unsigned perKiB, unsigned path, unsigned block,
                              unsigned page) const
{
    for (std::size_t kib = 0; kib * kKiB < data.size(); ++kib) {
        const std::size_t length = std::min(kKiB, data.size() - kib * kKiB);
        const std::uint32_t base = Mix(config_.seed ^ Mix(path << 24 ^ block << 8 ^ page) ^ static_cast<std::uint32_t>(kib));
        for (unsigned j = 0; j < perKiB && j < length * 8; ++j) {
            const std::size_t bit = (base + std::size_t{j} * 1031) % (length * 8);
            data[kib * kKiB + bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        }
    }
}

// Group 0x51 op 1: the flash's system blocks erased; the controller then forgets where
// the system area was.
std::optional<ScsiAnswer> NandController::EraseSystemArea(ScsiExchange& exchange)
{
    Operation operation;
    operation.op = NandOp::Erase;
    if (Faults faults = Apply(operation); faults.answer)
        return faults.answer;
    if (exchange.direction != DataDirection::FromDevice && !exchange.data.empty())
        return InvalidField();
    const NandGeometry& g = config_.geometry;
    for (unsigned path = 0; path < g.paths(); ++path)
        for (unsigned block = 0; block < g.blocks; ++block) {
            auto tag = store_.Tag(path, block, 0);
            if (tag && IsSystemTag(*tag))
                store_.Erase(path, block);
        }
    disk_->controller().SystemAreaErased();
    return ReplyWith(exchange, {});
}

ScsiAnswer NandController::CheckBlocks(ScsiExchange& exchange)
{
    const NandGeometry& g = config_.geometry;
    const NandRow row = DecodeRow(BigEndian32(exchange.cdb, 2), g.pagesPerBlock);
    Operation operation = BlockOperation(NandOp::CheckStatus, row.ce, row.channel, row.block,
                        row.block + static_cast<unsigned>(exchange.data.size()) - 1, row.page);
    if (Faults faults = Apply(operation); faults.answer)
        return *faults.answer;
    if (exchange.direction != DataDirection::FromDevice || row.ce >= g.ceCount || row.channel >= g.channelCount)
        return InvalidField();
    const unsigned path = Path(row.ce, row.channel);
    for (std::size_t i = 0; i < exchange.data.size(); ++i)
        exchange.data[i] = CheckStatus(path, row.block + static_cast<unsigned>(i), row.page);
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

ScsiAnswer NandController::BlockAccess(NandOp op, ScsiExchange& exchange)
{
    const NandGeometry& g = config_.geometry;
    const NandRow row = DecodeRow(BigEndian32(exchange.cdb, 2), g.pagesPerBlock);
    if (row.ce >= g.ceCount || row.channel >= g.channelCount || row.block >= g.blocks)
        return AddressOutOfRange();
    switch (op) {
    case NandOp::SpareRead: return ReadSpare(exchange, row);
    case NandOp::SpareWrite: return WriteSpare(exchange, row);
    case NandOp::Erase: return EraseBlock(exchange, row);
    case NandOp::Program: return WriteBlock(exchange, row);
    default: return ReadBlock(exchange, row);
    }
}

// Spare bytes 0..5 written over a programmed page's tag.
ScsiAnswer NandController::WriteSpare(ScsiExchange& exchange, const NandRow& row)
{
    Operation operation = BlockOperation(NandOp::SpareWrite, row.ce, row.channel, row.block, row.block, row.page);
    if (Faults faults = Apply(operation); faults.answer)
        return *faults.answer;
    BlockState& state = store_.At(Path(row.ce, row.channel), row.block);
    auto page = state.pages.find(row.page);
    if (page != state.pages.end())
        std::memcpy(page->second.tag.data(), exchange.data.data(), std::min<std::size_t>(6, exchange.data.size()));
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

// The pages a transfer covers: kind sectors each; nothing when the transfer does not fit
// whole pages of this flash inside the block.
static std::optional<std::pair<unsigned, std::size_t>> TransferPages(const ScsiExchange& exchange, const NandRow& row,
                                                                     const NandGeometry& g)
{
    const std::size_t unit = std::size_t{exchange.cdb[7]} * 512;
    const std::size_t sectors = exchange.cdb[8];
    if (unit == 0 || unit > g.pageBytes || exchange.data.size() != sectors * 512 || exchange.data.empty() ||
        exchange.data.size() % unit != 0)
        return std::nullopt;
    const auto pages = static_cast<unsigned>(exchange.data.size() / unit);
    if (row.page + pages > g.pagesPerBlock)
        return std::nullopt;
    return std::make_pair(pages, unit);
}

ScsiAnswer NandController::WriteBlock(ScsiExchange& exchange, const NandRow& row)
{
    const NandGeometry& g = config_.geometry;
    auto pages = TransferPages(exchange, row, g);
    const unsigned last = row.page + (pages ? pages->first - 1 : 0);
    Operation operation = BlockOperation(NandOp::Program, row.ce, row.channel, row.block, row.block, row.page);
    operation.tag = std::string(exchange.cdb.begin() + 10, exchange.cdb.begin() + 16);
    Faults faults = Apply(operation);
    if (faults.answer)
        return *faults.answer;
    if (exchange.direction != DataDirection::ToDevice || !pages)
        return InvalidField();
    const unsigned path = Path(row.ce, row.channel);
    const BlockState* state = store_.Find(path, row.block);
    if (!g.Exists(row.block) || faults.operationFails || store_.Profile(path, row.block).programFails ||
        (state != nullptr && state->factoryBad))
        return MediumError(0x0C);
    for (unsigned page = row.page; page <= last; ++page)
        if (store_.PageProgrammed(path, row.block, page))
            return MediumError(0x0C); // a page is programmed once between erases
    SpareTag tag;
    std::memcpy(tag.data(), exchange.cdb.data() + 10, tag.size());
    for (unsigned i = 0; i < pages->first; ++i)
        store_.Program(path, row.block, row.page + i, exchange.data.subspan(i * pages->second, pages->second), tag,
                       encryption());
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

ScsiAnswer NandController::ReadBlock(ScsiExchange& exchange, const NandRow& row)
{
    const NandGeometry& g = config_.geometry;
    auto pages = TransferPages(exchange, row, g);
    Operation operation = BlockOperation(NandOp::Read, row.ce, row.channel, row.block, row.block, row.page);
    Faults faults = Apply(operation);
    if (faults.answer)
        return *faults.answer;
    if (exchange.direction != DataDirection::FromDevice || !pages || !g.Exists(row.block))
        return InvalidField();
    const unsigned path = Path(row.ce, row.channel);
    const unsigned errors = store_.Profile(path, row.block).readBitErrorsPerKiB + faults.bitErrors;
    for (unsigned i = 0; i < pages->first; ++i) {
        std::span<std::uint8_t> out = exchange.data.subspan(i * pages->second, pages->second);
        std::optional<bool> encrypted = store_.ReadPage(path, row.block, row.page + i, out);
        if (!encrypted) {
            std::fill(out.begin(), out.end(), 0xFF); // an erased page reads clean
            continue;
        }
        if (*encrypted != encryption())
            Scramble(out);
        FlipBits(out, errors, path, row.block, row.page + i);
    }
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

ScsiAnswer NandController::EraseBlock(ScsiExchange& exchange, const NandRow& row)
{
    Operation operation = BlockOperation(NandOp::Erase, row.ce, row.channel, row.block, row.block, std::nullopt);
    Faults faults = Apply(operation);
    if (faults.answer)
        return *faults.answer;
    const unsigned path = Path(row.ce, row.channel);
    const BlockState* state = store_.Find(path, row.block);
    if (!config_.geometry.Exists(row.block) || faults.operationFails || store_.Profile(path, row.block).eraseFails ||
        (state != nullptr && state->factoryBad))
        return MediumError(0x51);
    store_.Erase(path, row.block);
    return ReplyWith(exchange, {});
}

// Spare bytes 0..5 hold the page's tag; a block marked bad carries 0 in bytes 4 and 5 of
// page 0. Read under the other encryption setting they come back scrambled.
ScsiAnswer NandController::ReadSpare(ScsiExchange& exchange, const NandRow& row)
{
    Operation operation = BlockOperation(NandOp::SpareRead, row.ce, row.channel, row.block, row.block, row.page);
    Faults faults = Apply(operation);
    if (faults.answer)
        return *faults.answer;
    if (exchange.direction != DataDirection::FromDevice || exchange.data.empty() ||
        exchange.data.size() > config_.geometry.spareBytes)
        return InvalidField();
    std::fill(exchange.data.begin(), exchange.data.end(), 0xFF);
    const unsigned path = Path(row.ce, row.channel);
    SpareTag spare{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    bool scrambled = false;
    if (auto tag = store_.Tag(path, row.block, row.page)) {
        spare = *tag;
        std::uint8_t probe[1];
        scrambled = store_.ReadPage(path, row.block, row.page, probe).value_or(false) != encryption();
    }
    const BlockState* state = store_.Find(path, row.block);
    if (state != nullptr && state->markedBad && row.page == 0) {
        // The mark is written last: it decides how page 0's spare reads.
        spare[4] = 0;
        spare[5] = 0;
        scrambled = state->markEncrypted != encryption();
    }
    if (faults.spare)
        spare = *faults.spare;
    else if (scrambled)
        Scramble(spare);
    std::memcpy(exchange.data.data(), spare.data(), std::min(exchange.data.size(), spare.size()));
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

ScsiAnswer NandController::BlockMark(NandOp op, ScsiExchange& exchange)
{
    const NandGeometry& g = config_.geometry;
    const NandRow row = DecodeRow(BigEndian32(exchange.cdb, 2), g.pagesPerBlock);
    Operation operation = BlockOperation(op, row.ce, row.channel, row.block, row.block, std::nullopt);
    Faults faults = Apply(operation);
    if (faults.answer)
        return *faults.answer;
    if (row.ce >= g.ceCount || row.channel >= g.channelCount || row.block >= g.blocks)
        return AddressOutOfRange();
    const unsigned path = Path(row.ce, row.channel);
    if (op == NandOp::BlockStatus) {
        const BlockState* state = store_.Find(path, row.block);
        ReplyWith(exchange, {});
        if (!exchange.data.empty())
            exchange.data[0] = state != nullptr && (state->factoryBad || state->markedBad) ? 1 : 0;
        return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
    }
    if (faults.operationFails || !g.Exists(row.block))
        return MediumError(0x0C);
    BlockState& state = store_.At(path, row.block);
    state.markedBad = true;
    state.markEncrypted = encryption();
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

} // namespace sim::nand
