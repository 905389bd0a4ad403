// The virtual-block engine of the NAND model (group 0xF8): the main FIFO, virtual blocks
// programmed whole from it on every path, SLC-to-TLC copies, and the bit-error count of
// one block (byte 2 the chip address, bytes 4..5 the block, byte 3 0 for the SLC and MLC
// count, 1 for the TLC count).
#include "sim/nand/nand_controller.h"

#include <cstring>

namespace sim::nand {
namespace {

constexpr std::uint8_t kCopySlcToTlc = 0x84;
constexpr std::uint8_t kFillMainFifo = 0x86;
constexpr std::uint8_t kMlcVbWrite = 0x88;
constexpr std::size_t kFifoBytes = 0x8000;

} // namespace

void NandController::ProgramVirtualBlock(unsigned block, unsigned lunOffset,
                                         const std::shared_ptr<const std::vector<std::uint8_t>>& pattern)
{
    const NandGeometry& g = config_.geometry;
    for (unsigned path = 0; path < g.paths(); ++path)
        for (unsigned plane = 0; plane < g.planes; ++plane)
            for (unsigned base : {0u, lunOffset}) {
                const unsigned target = block + plane + base;
                // A bad block takes no data, and a programmed one keeps its own (a page is
                // programmed once between erases).
                const BlockState* state = store_.Find(path, target);
                if (g.Exists(target) && (state == nullptr || (!state->factoryBad && !state->programmed())))
                    store_.ProgramWhole(path, target, pattern, encryption());
                if (lunOffset == 0)
                    break;
            }
}

ScsiAnswer NandController::VirtualBlocks(NandOp op, ScsiExchange& exchange)
{
    const NandGeometry& g = config_.geometry;
    const std::uint8_t sub = exchange.cdb[6];
    if (op == NandOp::VbErrorRead) {
        const unsigned ce = exchange.cdb[2] >> 4, channel = exchange.cdb[2] & 0x0F;
        const unsigned block = BigEndian16(exchange.cdb, 4);
        Operation operation = BlockOperation(NandOp::VbErrorRead, ce, channel, block, block, std::nullopt);
        Faults faults = Apply(operation);
        if (faults.answer)
            return *faults.answer;
        if (exchange.direction != DataDirection::FromDevice || exchange.data.empty() || ce >= g.ceCount ||
            channel >= g.channelCount || !g.Exists(block))
            return InvalidField();
        const unsigned path = Path(ce, channel);
        const BlockState* state = store_.Find(path, block);
        const BlockProfile profile = store_.Profile(path, block);
        unsigned count = exchange.cdb[3] == 1 ? profile.tlcErrors : profile.slcErrors;
        if (state != nullptr && state->factoryBad)
            count = 0xFF;
        count += faults.bitErrors;
        ReplyWith(exchange, {});
        exchange.data[0] = static_cast<std::uint8_t>(std::min(count, 0xFFu));
        return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
    }
    Operation operation;
    operation.op = NandOp::VbEngine;
    if (sub == kCopySlcToTlc || sub == kMlcVbWrite)
        operation.firstBlock = operation.lastBlock = BigEndian16(exchange.cdb, 4);
    if (Faults faults = Apply(operation); faults.answer)
        return *faults.answer;
    switch (sub) {
    case kFillMainFifo:
        if (exchange.direction != DataDirection::ToDevice || exchange.data.size() != kFifoBytes)
            return InvalidField();
        mainFifo_ = std::make_shared<const std::vector<std::uint8_t>>(exchange.data.begin(), exchange.data.end());
        return ScsiAnswer::Good(static_cast<std::uint32_t>(kFifoBytes));
    case kMlcVbWrite:
        if (mainFifo_ == nullptr)
            return ScsiAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00); // command sequence error
        ProgramVirtualBlock(BigEndian16(exchange.cdb, 4), BigEndian16(exchange.cdb, 7), mainFifo_);
        return ScsiAnswer::Good(0);
    case kCopySlcToTlc: {
        // The TLC block takes the data of the three SLC virtual blocks, whatever they hold.
        static const auto copied = std::make_shared<const std::vector<std::uint8_t>>(kFifoBytes, 0x3C);
        ProgramVirtualBlock(BigEndian16(exchange.cdb, 4), BigEndian16(exchange.cdb, 7), copied);
        return ScsiAnswer::Good(0);
    }
    default: return ScsiAnswer::Good(0);
    }
}

} // namespace sim::nand
