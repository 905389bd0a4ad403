// Group 0x90: the system area (flash id, system-ready flag, system address block, flash
// method), and group 0x9F: ISP segments loaded at a 24-bit address.
#include "sim/disk/controller_commands.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint8_t kFlashIdSectorByte = 5;
constexpr std::uint8_t kIspSegmentByte = 8;

// A 64-byte record read (data in) or written (data out).
std::optional<ScsiAnswer> Record64(VendorRequest& request, std::array<std::uint8_t, 64>& record, bool read)
{
    if (auto wrong = WrongPhase(request, read ? Phase::In : Phase::Out, record.size()))
        return wrong;
    if (read)
        return ReplyWith(request, record);
    std::copy(request.data().begin(), request.data().end(), record.begin());
    return Done(request);
}

} // namespace

std::optional<ScsiAnswer> ControllerCommands::SystemArea(VendorRequest& request)
{
    switch (request.sub()) {
    case 0x82:
        if (request.cdb(8) != kFlashIdSectorByte || !request.readsData())
            return std::nullopt; // the flash-id write of the ISP load is not this model's
        return Record64(request, state_.flashId, true);
    case 0x85: return ReplyByte(request, state_.systemReady);
    case 0x86:
        if (auto wrong = WrongPhase(request, Phase::None, 0))
            return wrong;
        state_.systemReady = request.cdb(11);
        return Done(request);
    case 0x8C:
    case 0x8D: return Record64(request, state_.sysAddressBlock, request.sub() == 0x8C);
    case 0x8E:
    case 0x8F: return Record64(request, state_.flashMethod, request.sub() == 0x8E);
    default: return std::nullopt;
    }
}

std::optional<ScsiAnswer> ControllerCommands::IspSegment(VendorRequest& request)
{
    if (request.sub() == 0x80) {
        if (auto wrong = WrongPhase(request, Phase::None, 0))
            return wrong;
        ++state_.ispSegmentsEnded;
        return Done(request);
    }
    if (request.cdb(8) != kIspSegmentByte || request.cdb(2) != 0 || !request.writesData())
        return InvalidField();
    state_.ispSegments[request.address()].assign(request.data().begin(), request.data().end());
    return Done(request);
}

} // namespace sim
