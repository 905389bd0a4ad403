// The simulated flash-drive controller: the maker's USB mass-storage controller as its
// SCSI commands see it. It answers the standard commands (INQUIRY, TEST UNIT READY, READ
// CAPACITY, READ(10), WRITE(10), START STOP UNIT, ATA IDENTIFY through ATA PASS-THROUGH)
// on a sparse store per logical unit, and records every command it receives.
// Vendor commands (operation code 0xEE) go to the handlers registered for their group, or
// for their group and sub-command (see vendor_request.h): the controller's own command
// sets (controller_commands.h) are registered at construction, and models plugged in
// later take over what they know. A known group that no handler answers is answered with
// the reply data; an unknown group gets CHECK CONDITION.
// The controller keeps an XDATA register file that every handler sees.
// Faults can be planned: by command number (FailCommand), by rules that match commands by
// their CDB bytes (AddFaultRule), and "not ready" for the next k TEST UNIT READY polls.
// Every command is counted by its kind, also while recording is off.
// Commands arrive on the bench's thread; every member guards the state itself.
#pragma once

#include "sim/disk/fault_rules.h"
#include "sim/disk/lun_store.h"
#include "sim/disk/scsi_exchange.h"
#include "sim/disk/vendor_request.h"
#include "sim/disk/xdata_registers.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct DiskIdentity {
    std::string vendor = "TARVO";        // INQUIRY bytes 8..15
    std::string product = "Flash Disk";  // 16..31
    std::string revision = "1.00";       // 32..35
    std::string signature = "KQ8N";      // 36..39, the maker's mark
    std::array<std::uint8_t, 4> firmwareVersion{1, 2, 3, 4}; // 40..43
    std::uint8_t portFlags = 0;          // 51
    std::uint8_t chipType = 0;           // low bits of byte 0
    std::uint8_t additionalLength = 31;  // byte 4
    // ATA IDENTIFY of the drive behind the controller: serial number (words 10..19),
    // firmware revision (23..26) and model (27..46).
    std::string ataSerial = "SIM0000001";
    std::string ataFirmware = "FW1.00";
    std::string ataModel = "TARVO SIMULATED DRIVE";
};

struct CommandRecord {
    unsigned lun = 0;
    std::vector<std::uint8_t> cdb;
    DataDirection direction = DataDirection::None;
    std::uint32_t dataLength = 0;
    unsigned timeoutMs = 0;
    std::vector<std::uint8_t> dataOut; // vendor commands only: the data as sent
};

// What a command counts as: its operation code, and for a vendor command (0xEE) its group
// (CDB byte 1) and sub-command (byte 6); both 0 for the standard commands.
struct CommandKind {
    std::uint8_t opcode = 0;
    std::uint8_t group = 0;
    std::uint8_t sub = 0;
    auto operator<=>(const CommandKind&) const = default;
};

class ControllerCommands;

class FlashDisk {
public:
    // Runs with the disk locked: it must not call back into the disk.
    using VendorHandler = std::function<ScsiAnswer(ScsiExchange& exchange)>;

    // One sector count per logical unit.
    FlashDisk(DiskIdentity identity, std::vector<std::uint64_t> lunSectors);
    ~FlashDisk();

    ScsiAnswer Execute(ScsiExchange& exchange);

    // The n-th command from now (1 = the next one) fails as `kind`.
    void FailCommand(unsigned nth, FaultKind kind);
    // Commands matching the rule's pattern fail or answer as it says (see fault_rules.h).
    void AddFaultRule(FaultRule rule);
    void ClearFaultRules();
    // The next `polls` TEST UNIT READY commands report NOT READY (becoming ready).
    void NotReadyForPolls(unsigned polls);
    // How many TEST UNIT READY polls report NOT READY after each CPU reset (0 at first).
    void SetResetNotReadyPolls(unsigned polls);
    unsigned cpuResets() const;

    // Registers a vendor command handler for a whole group, or for one sub-command (CDB
    // byte 6) of a group; it is asked before every handler registered earlier for the
    // same commands. The group counts as known from now on.
    void HandleVendorGroup(std::uint8_t group, VendorCommandHandler handler);
    void HandleVendorCommand(std::uint8_t group, std::uint8_t sub, VendorCommandHandler handler);
    // A group, or one sub-command of a group, answered by `handler` alone: the handlers
    // registered before for the same commands are dropped (a model that owns them).
    void TakeOverVendorGroup(std::uint8_t group, VendorCommandHandler handler);
    void TakeOverVendorCommand(std::uint8_t group, std::uint8_t sub, VendorCommandHandler handler);
    void SetVendorGroupHandler(std::uint8_t group, VendorHandler handler);
    // Data-in of vendor commands of known groups that no handler answers: these bytes
    // from the start, repeated.
    void SetVendorReply(std::vector<std::uint8_t> reply);

    // The XDATA registers, for tests and the models beside the controller.
    std::uint8_t Xdata(std::uint16_t address) const;
    void SetXdata(std::uint16_t address, std::uint8_t value);
    // Sets the register and the value it comes back with after every CPU reset.
    void SetXdataPowerOn(std::uint16_t address, std::uint8_t value);
    // Every value written to the register by a command, in order.
    std::vector<std::uint8_t> XdataWrites(std::uint16_t address) const;
    // The controller's own vendor command sets and their state.
    ControllerCommands& controller() { return *controller_; }
    // While off, commands are not recorded (long transfer runs).
    void SetRecording(bool on);

    std::vector<CommandRecord> Commands() const;
    std::vector<CommandRecord> VendorCommands() const;
    // The commands received since the last ClearCommands, by kind.
    std::map<CommandKind, unsigned> CommandCounts() const;
    unsigned CommandCount(CommandKind kind) const;
    // Drops the records and the counts.
    void ClearCommands();
    unsigned lunCount() const { return static_cast<unsigned>(luns_.size()); }
    std::uint64_t lunSectors(unsigned lun) const { return luns_.at(lun).sectors(); }
    // Direct access for tests: what the unit holds.
    std::vector<std::uint8_t> ReadSectors(unsigned lun, std::uint64_t lba, std::uint32_t count) const;
    // What the unit holds before a test runs (whole sectors).
    void WriteSectors(unsigned lun, std::uint64_t lba, const std::vector<std::uint8_t>& sectors);
    // Makes a device node's file in the sandbox show the unit's sectors (LunStore::LinkNode).
    void LinkLunNode(unsigned lun, const std::string& nodeFile) const;
    bool mediumLoaded() const;

private:
    struct PlannedFault {
        std::uint64_t command;
        FaultKind kind;
    };
    struct HandlerEntry {
        std::uint8_t group;
        std::optional<std::uint8_t> sub; // none: every sub-command of the group
        VendorCommandHandler handler;
    };

    ScsiAnswer Dispatch(ScsiExchange& exchange);
    std::optional<FaultKind> TakePlannedFault();
    void Record(const ScsiExchange& exchange);
    void TakeOver(std::uint8_t group, std::optional<std::uint8_t> sub, VendorCommandHandler handler);

    // Standard commands (standard_commands.cpp).
    ScsiAnswer Inquiry(ScsiExchange& exchange);
    ScsiAnswer TestUnitReady(ScsiExchange& exchange);
    ScsiAnswer ReadCapacity(ScsiExchange& exchange);
    ScsiAnswer ReadWrite10(ScsiExchange& exchange);
    ScsiAnswer StartStopUnit(ScsiExchange& exchange);
    ScsiAnswer AtaPassThrough(ScsiExchange& exchange);
    // Vendor commands (vendor_commands.cpp).
    ScsiAnswer Vendor(ScsiExchange& exchange);
    ScsiAnswer RecordedVendorReply(ScsiExchange& exchange);
    std::optional<ScsiAnswer> CpuReset(VendorRequest& request);

    DiskIdentity identity_;
    mutable std::mutex lock_;
    std::vector<LunStore> luns_;
    bool mediumLoaded_ = true;
    std::uint64_t commandCount_ = 0;
    std::vector<PlannedFault> faults_;
    FaultRules rules_;
    unsigned notReadyPolls_ = 0;
    unsigned resetNotReadyPolls_ = 0;
    unsigned cpuResets_ = 0;
    std::vector<HandlerEntry> vendorHandlers_; // in the order registered
    std::vector<bool> knownGroups_ = std::vector<bool>(256, false);
    std::vector<std::uint8_t> vendorReply_;
    XdataRegisters xdata_;
    std::unique_ptr<ControllerCommands> controller_;
    bool recording_ = true;
    std::vector<CommandRecord> commands_;
    std::map<CommandKind, unsigned> counts_;
};

} // namespace sim
