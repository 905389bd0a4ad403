// Group 0x01: code memory, data memory and the XDATA registers, each addressed by CDB
// bytes 4..5 with the byte count in 7..8. Group 0x02: the device id, the LUN
// configuration and the LUN data area (its count in 512-byte sectors).
#include "sim/disk/controller_commands.h"

namespace sim {

std::optional<ScsiAnswer> ControllerCommands::CodeRead(VendorRequest& request)
{
    return MemoryTransfer(request, state_.codeMemory, request.address16(), request.lengthField(), true);
}

std::optional<ScsiAnswer> ControllerCommands::DataMemory(VendorRequest& request)
{
    return MemoryTransfer(request, state_.dataMemory, request.address16(), request.lengthField(), request.sub() == 0x02);
}

std::optional<ScsiAnswer> ControllerCommands::XdataAccess(VendorRequest& request)
{
    const bool read = request.sub() == 0x04;
    const std::size_t length = request.lengthField();
    if (auto wrong = WrongPhase(request, read ? Phase::In : Phase::Out, length))
        return wrong;
    const std::uint32_t first = request.address16();
    if (first + length > 0x10000)
        return AddressOutOfRange();
    auto data = request.data();
    for (std::size_t i = 0; i < length; ++i) {
        auto address = static_cast<std::uint16_t>(first + i);
        if (read)
            data[i] = request.xdata.Read(address);
        else
            request.xdata.WriteByCommand(address, data[i]);
    }
    return Done(request);
}

std::optional<ScsiAnswer> ControllerCommands::DeviceId(VendorRequest& request)
{
    if (auto wrong = WrongPhase(request, Phase::In, request.lengthField()))
        return wrong;
    return ReplyWith(request, state_.deviceId);
}

std::optional<ScsiAnswer> ControllerCommands::LunConfiguration(VendorRequest& request)
{
    const bool read = request.sub() == 0x88;
    if (auto wrong = WrongPhase(request, read ? Phase::In : Phase::Out, state_.lunConfiguration.size()))
        return wrong;
    if (request.lengthField() != state_.lunConfiguration.size())
        return InvalidField();
    if (!read) {
        std::copy(request.data().begin(), request.data().end(), state_.lunConfiguration.begin());
        return Done(request);
    }
    return ReplyWith(request, state_.lunConfiguration);
}

std::optional<ScsiAnswer> ControllerCommands::LunData(VendorRequest& request)
{
    const bool read = request.sub() == 0x28;
    constexpr std::size_t kSector = 512;
    const std::size_t length = std::size_t{request.lengthField()} * kSector;
    return MemoryTransfer(request, state_.lunData, std::uint64_t{request.address()} * kSector, length, read);
}

} // namespace sim
