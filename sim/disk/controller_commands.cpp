#include "sim/disk/controller_commands.h"

#include "sim/disk/flash_disk.h"

namespace sim {

ControllerCommands::ControllerCommands()
{
    // The firmware in code memory: a pattern that differs from byte to byte.
    auto& code = state_.codeMemory.bytes();
    for (std::size_t i = 0; i < code.size(); ++i)
        code[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
}

void ControllerCommands::On(FlashDisk& disk, std::uint8_t group, std::uint8_t sub, Handler handler)
{
    disk.HandleVendorCommand(group, sub, [this, handler](VendorRequest& request) {
        std::lock_guard guard(lock_);
        return (this->*handler)(request);
    });
}

void ControllerCommands::Install(FlashDisk& disk)
{
    On(disk, 0x01, 0x01, &ControllerCommands::CodeRead);
    On(disk, 0x01, 0x02, &ControllerCommands::DataMemory);
    On(disk, 0x01, 0x03, &ControllerCommands::DataMemory);
    On(disk, 0x01, 0x04, &ControllerCommands::XdataAccess);
    On(disk, 0x01, 0x05, &ControllerCommands::XdataAccess);
}

ControllerState ControllerCommands::Snapshot() const
{
    std::lock_guard guard(lock_);
    return state_;
}

void ControllerCommands::Change(const std::function<void(ControllerState&)>& change)
{
    std::lock_guard guard(lock_);
    change(state_);
}

std::optional<ScsiAnswer> MemoryTransfer(VendorRequest& request, ByteMemory& memory, std::uint64_t address,
                                         std::size_t length, bool read)
{
    if (auto wrong = WrongPhase(request, read ? Phase::In : Phase::Out, length))
        return wrong;
    if (!memory.Contains(address, length))
        return AddressOutOfRange();
    if (read)
        memory.Read(address, request.data());
    else
        memory.Write(address, request.data());
    return Done(request);
}

} // namespace sim
