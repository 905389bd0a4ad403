// The flash-drive controller's own vendor commands and the state behind them, registered
// on the controller (FlashDisk) when it is made. Each command checks that its data phase
// matches its CDB (direction and length), so a command the station builds wrong fails.
// Models plugged in later (a NAND model, a bridge drive) register over these.
// Tests read and set the state through Snapshot and Change; the handlers run on the
// bench's thread under the controller's lock and this object's own.
#pragma once

#include "sim/disk/byte_memory.h"
#include "sim/disk/vendor_request.h"

#include <functional>
#include <mutex>

namespace sim {

class FlashDisk;

struct ControllerState {
    // Group 0x01: code memory (read only) and data memory, 16-bit addresses.
    ByteMemory codeMemory{0x10000};
    ByteMemory dataMemory{0x10000};
};

class ControllerCommands {
public:
    ControllerCommands();
    void Install(FlashDisk& disk);

    ControllerState Snapshot() const;
    void Change(const std::function<void(ControllerState&)>& change);

private:
    using Handler = std::optional<ScsiAnswer> (ControllerCommands::*)(VendorRequest&);
    void On(FlashDisk& disk, std::uint8_t group, std::uint8_t sub, Handler handler);

    // Group 0x01 (controller_memory.cpp).
    std::optional<ScsiAnswer> CodeRead(VendorRequest& request);
    std::optional<ScsiAnswer> DataMemory(VendorRequest& request);
    std::optional<ScsiAnswer> XdataAccess(VendorRequest& request);

    mutable std::mutex lock_;
    ControllerState state_;
};

// A transfer of `length` bytes between the request's data and `memory` at `address`, in
// the direction `read` says; the data phase must carry exactly `length` bytes.
std::optional<ScsiAnswer> MemoryTransfer(VendorRequest& request, ByteMemory& memory, std::uint64_t address,
                                         std::size_t length, bool read);

} // namespace sim
