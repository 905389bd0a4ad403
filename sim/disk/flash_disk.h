// The simulated flash-drive controller: the maker's USB mass-storage controller as its
// SCSI commands see it. It answers the standard commands (INQUIRY, TEST UNIT READY, READ
// CAPACITY, READ(10), WRITE(10), START STOP UNIT, ATA IDENTIFY through ATA PASS-THROUGH)
// on a sparse store per logical unit, records every command it receives, and answers the
// vendor commands (operation code 0xEE) by group: a group without a handler of its own is
// recorded and answered with the reply data; an unknown group gets CHECK CONDITION.
// Faults can be planned: a failed call, an adapter error or CHECK CONDITION on the n-th
// command, and "not ready" for the next k TEST UNIT READY polls.
// Commands arrive on the bench's thread; every member guards the state itself.
#pragma once

#include "sim/disk/lun_store.h"
#include "sim/disk/scsi_exchange.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
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
    std::string ataSerial = "SIM0000001"; // ATA IDENTIFY words 10..19
};

struct CommandRecord {
    unsigned lun = 0;
    std::vector<std::uint8_t> cdb;
    DataDirection direction = DataDirection::None;
    std::uint32_t dataLength = 0;
    unsigned timeoutMs = 0;
    std::vector<std::uint8_t> dataOut; // vendor commands only: the data as sent
};

enum class FaultKind {
    FailedCall,     // the SG_IO call itself fails (EIO)
    AdapterError,   // the call returns, the host adapter reports an error
    CheckCondition, // CHECK CONDITION, hardware error
};

class FlashDisk {
public:
    // Runs with the disk locked: it must not call back into the disk.
    using VendorHandler = std::function<ScsiAnswer(ScsiExchange& exchange)>;

    // One sector count per logical unit.
    FlashDisk(DiskIdentity identity, std::vector<std::uint64_t> lunSectors);

    ScsiAnswer Execute(ScsiExchange& exchange);

    // The n-th command from now (1 = the next one) fails as `kind`.
    void FailCommand(unsigned nth, FaultKind kind);
    // The next `polls` TEST UNIT READY commands report NOT READY (becoming ready).
    void NotReadyForPolls(unsigned polls);
    // A group with behaviour of its own; the group counts as known from now on.
    void SetVendorGroupHandler(std::uint8_t group, VendorHandler handler);
    // Asked at every TEST UNIT READY, with the disk locked: true answers that poll NOT READY
    // (a controller still resetting).
    void SetReadinessHook(std::function<bool()> notReady);
    // Data-in of recorded vendor commands: these bytes from the start, repeated.
    void SetVendorReply(std::vector<std::uint8_t> reply);
    // While off, commands are not recorded (long transfer runs).
    void SetRecording(bool on);

    std::vector<CommandRecord> Commands() const;
    std::vector<CommandRecord> VendorCommands() const;
    void ClearCommands();
    unsigned lunCount() const { return static_cast<unsigned>(luns_.size()); }
    std::uint64_t lunSectors(unsigned lun) const { return luns_.at(lun).sectors(); }
    // Direct access for tests: what the unit holds.
    std::vector<std::uint8_t> ReadSectors(unsigned lun, std::uint64_t lba, std::uint32_t count) const;
    // What the unit holds before a test runs (whole sectors).
    void WriteSectors(unsigned lun, std::uint64_t lba, const std::vector<std::uint8_t>& sectors);
    bool mediumLoaded() const;

private:
    struct PlannedFault {
        std::uint64_t command;
        FaultKind kind;
    };

    ScsiAnswer Dispatch(ScsiExchange& exchange);
    std::optional<ScsiAnswer> TakePlannedFault();
    void Record(const ScsiExchange& exchange);

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

    DiskIdentity identity_;
    mutable std::mutex lock_;
    std::vector<LunStore> luns_;
    bool mediumLoaded_ = true;
    std::uint64_t commandCount_ = 0;
    std::vector<PlannedFault> faults_;
    unsigned notReadyPolls_ = 0;
    std::map<std::uint8_t, VendorHandler> vendorGroups_;
    std::function<bool()> notReadyHook_;
    std::vector<std::uint8_t> vendorReply_;
    bool recording_ = true;
    std::vector<CommandRecord> commands_;
};

} // namespace sim
