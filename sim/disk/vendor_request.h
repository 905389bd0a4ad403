// One vendor command (operation code 0xEE) as a command handler of the controller sees it:
// the exchange, the CDB's fields by their places, and the controller's XDATA registers.
// Handlers are registered per group, or per group and sub-command, and run with the
// controller locked; a handler that finds the command is not its own returns nullopt and
// the handler registered before it answers instead. So a model plugged in later (a NAND
// model, a bridge drive) takes over the commands it knows and leaves the rest.
#pragma once

#include "sim/disk/scsi_exchange.h"
#include "sim/disk/xdata_registers.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace sim {

struct VendorRequest {
    ScsiExchange& exchange;
    XdataRegisters& xdata;

    std::uint8_t cdb(std::size_t index) const { return index < exchange.cdb.size() ? exchange.cdb[index] : 0; }
    std::uint8_t group() const { return cdb(1); }
    std::uint8_t sub() const { return cdb(6); }
    std::uint32_t address() const; // bytes 2..5, big-endian
    std::uint16_t address16() const { return Word(4); } // bytes 4..5
    std::uint16_t lengthField() const { return Word(7); } // bytes 7..8
    std::uint16_t Word(std::size_t index) const { return index + 1 < exchange.cdb.size() ? BigEndian16(exchange.cdb, index) : 0; }
    std::string tag() const; // bytes 10..15

    bool readsData() const { return exchange.direction == DataDirection::FromDevice; }
    bool writesData() const { return exchange.direction == DataDirection::ToDevice; }
    bool noData() const { return exchange.data.empty(); }
    std::span<std::uint8_t> data() const { return exchange.data; }
};

using VendorCommandHandler = std::function<std::optional<ScsiAnswer>(VendorRequest& request)>;

// Answers the handlers give.
// Data in: `reply` as far as it goes, zeros after it. Data sent to the device is taken.
ScsiAnswer ReplyWith(ScsiExchange& exchange, std::span<const std::uint8_t> reply);
inline ScsiAnswer ReplyWith(VendorRequest& request, std::span<const std::uint8_t> reply)
{
    return ReplyWith(request.exchange, reply);
}
// The command done, its data (if any) moved.
ScsiAnswer Done(VendorRequest& request);
ScsiAnswer InvalidField();       // CHECK CONDITION, illegal request, invalid field in CDB
ScsiAnswer AddressOutOfRange();  // CHECK CONDITION, illegal request, address out of range
ScsiAnswer InvalidCommand();     // CHECK CONDITION, illegal request, invalid command operation code
ScsiAnswer DataProtect();        // CHECK CONDITION, data protect
ScsiAnswer MediumError(std::uint8_t asc); // CHECK CONDITION, medium error: a write (0x0C) or erase (0x51) refused

// The data phase a command must have: reading `length` bytes, writing them, or none.
// An exchange that differs (another direction or length) gets InvalidField: the station
// sent the command wrong.
enum class Phase { None, In, Out };
std::optional<ScsiAnswer> WrongPhase(const VendorRequest& request, Phase phase, std::size_t length);

// One byte in (the command must read exactly one), or one byte out taken into `into`.
std::optional<ScsiAnswer> ReplyByte(VendorRequest& request, std::uint8_t value);
std::optional<ScsiAnswer> TakeByte(VendorRequest& request, std::uint8_t& into);

} // namespace sim
