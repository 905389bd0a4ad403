// Group 0x80: EEPROM and firmware memory (address in CDB bytes 2..5, count in 7..8, read or
// written as the data phase goes), self test, connection, erase, partitions and button.
#include "sim/disk/controller_commands.h"

namespace sim {

std::optional<ScsiAnswer> ControllerCommands::VendorAccess(VendorRequest& request)
{
    const std::uint32_t address = request.address();
    const std::size_t length = request.lengthField();
    switch (request.sub()) {
    case 0x80: return MemoryTransfer(request, state_.eeprom, address, length, request.readsData());
    case 0x81: {
        auto answer = MemoryTransfer(request, state_.firmwareMemory, address, length, request.readsData());
        if (answer && answer->status == kStatusGood && request.writesData())
            state_.firmwareFlashType = request.cdb(13);
        return answer;
    }
    case 0x82: return ReplyByte(request, state_.selfTestResult);
    case 0x83:
    case 0x84:
        if (auto wrong = WrongPhase(request, Phase::None, 0))
            return wrong;
        if (request.sub() == 0x83) {
            state_.connection = request.cdb(11);
        } else {
            ++state_.erases;
            state_.firmwareMemory.Fill(0xFF);
        }
        return Done(request);
    case 0x85:
    case 0x86: return MemoryTransfer(request, state_.partitions, address, length, request.sub() == 0x85);
    case 0x87: return ReplyByte(request, state_.button);
    case 0x88: return TakeByte(request, state_.button);
    default: return std::nullopt;
    }
}

} // namespace sim
