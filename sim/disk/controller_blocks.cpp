// Group 0x95: spare areas and the CIS/ISP block store, group 0x50: block status and bad
// marks, group 0x51: the bad-block check and the system-area erase.
// The store behaves as NAND behind the controller: a block reads 0xFF until written; a
// write over written cells keeps only the bits both have (erase first); with encryption
// on the controller stores the data encrypted and decrypts what it reads; data read with
// another ECC setting than it was written with comes back changed. So a block written and
// read back under the same protection reads as written, and any other way it does not.
#include "sim/disk/controller_commands.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint8_t kProtectedFlag = 0x80;
constexpr std::size_t kSector = 512;

} // namespace

std::optional<ScsiAnswer> ControllerCommands::Spare(VendorRequest& request)
{
    const bool read = request.sub() == 0x88;
    const std::size_t length = request.lengthField();
    if (auto wrong = WrongPhase(request, read ? Phase::In : Phase::Out, length))
        return wrong;
    std::vector<std::uint8_t>& spare = state_.spares[request.address()];
    if (read) {
        spare.resize(std::max(spare.size(), length), 0xFF);
        return ReplyWith(request, std::span<const std::uint8_t>(spare.data(), length));
    }
    spare.assign(request.data().begin(), request.data().end());
    return Done(request);
}

std::optional<ScsiAnswer> ControllerCommands::BlockTransfer(VendorRequest& request)
{
    const bool read = request.sub() == 0x89;
    const std::uint8_t flags = request.cdb(9);
    const std::size_t length = std::size_t{request.cdb(8)} * kSector;
    if (auto wrong = WrongPhase(request, read ? Phase::In : Phase::Out, length))
        return wrong;
    const XdataRegisters& xdata = request.xdata;
    const std::uint32_t address = request.address();
    auto data = request.data();
    if (read) {
        if (request.cdb(11) != ((flags & kProtectedFlag) != 0 ? 1 : 0))
            return InvalidField();
        auto found = state_.blocks.find(address);
        std::fill(data.begin(), data.end(), std::uint8_t{0xFF});
        if (found == state_.blocks.end())
            return Done(request);
        const StoredBlock& block = found->second;
        for (std::size_t i = 0; i < data.size() && i < block.cells.size(); ++i)
            data[i] = xdata.EncryptionOn() ? block.cells[i] ^ CellKey(i) : block.cells[i];
        if (xdata.Ecc() != block.ecc)
            for (std::size_t i = 0; i < data.size(); i += kSector)
                data[i] = static_cast<std::uint8_t>(~data[i]);
        return Done(request);
    }
    if (state_.badBlocks.count(address) != 0)
        return MediumError(0x0C);
    StoredBlock& block = state_.blocks[address];
    const bool fresh = block.cells.empty();
    block.cells.resize(std::max(block.cells.size(), data.size()), 0xFF);
    for (std::size_t i = 0; i < data.size(); ++i) {
        auto cell = static_cast<std::uint8_t>(xdata.EncryptionOn() ? data[i] ^ CellKey(i) : data[i]);
        block.cells[i] = fresh ? cell : block.cells[i] & cell;
    }
    block.tag = request.tag();
    block.kind = request.cdb(7);
    block.flags = flags;
    block.ecc = xdata.Ecc();
    return Done(request);
}

std::optional<ScsiAnswer> ControllerCommands::BlockErase(VendorRequest& request)
{
    if (auto wrong = WrongPhase(request, Phase::In, 1))
        return wrong;
    const std::uint32_t address = request.address();
    if (state_.badBlocks.count(address) != 0)
        return ReplyByte(request, kEraseFailed);
    state_.blocks.erase(address);
    state_.spares.erase(address);
    return ReplyByte(request, kEraseDone);
}

std::optional<ScsiAnswer> ControllerCommands::BlockMark(VendorRequest& request)
{
    const std::uint32_t address = request.address();
    if (request.sub() == 0x80) {
        state_.badBlocks.insert(address);
        return Done(request);
    }
    return ReplyByte(request, state_.badBlocks.count(address) != 0 ? kBlockMarkedBad : kBlockGood);
}

std::optional<ScsiAnswer> ControllerCommands::BadBlockCheck(VendorRequest& request)
{
    const std::size_t length = request.lengthField();
    if (auto wrong = WrongPhase(request, Phase::In, length))
        return wrong;
    auto data = request.data();
    std::fill(data.begin(), data.end(), std::uint8_t{0});
    if (request.sub() == 0x01) {
        state_.blocks.clear();
        state_.spares.clear();
        ForgetSystemArea();
        return Done(request);
    }
    // One bit per block from the address on, set for a block marked bad.
    for (std::size_t bit = 0; bit < data.size() * 8; ++bit)
        if (state_.badBlocks.count(static_cast<std::uint32_t>(request.address() + bit)) != 0)
            data[bit / 8] = static_cast<std::uint8_t>(data[bit / 8] | 1u << (bit % 8));
    return Done(request);
}

} // namespace sim
