// Faults a test plans for the controller, deterministically: a rule names the commands it
// applies to by CDB bytes, which of the matching commands it hits (the first-th, and how
// many after it), and what they get instead of the model's answer. These rules reach every
// command the controller receives; a flash model behind it plans faults of its own by what
// a command does to the flash (sim/nand/fault_rules.h), answered the same ways (FaultAnswer).
#pragma once

#include "sim/disk/scsi_exchange.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace sim {

enum class FaultKind {
    FailedCall,     // the SG_IO call itself fails (EIO)
    AdapterError,   // the call returns, the host adapter reports an error
    CheckCondition, // CHECK CONDITION, hardware error
    NotCompleted,   // the call returns with the status left as a request never completed
    Reply,          // GOOD with the rule's data as data in; data sent to the device is dropped
};

// The commands a rule applies to: those whose CDB holds these bytes at these places.
class CommandPattern {
public:
    static CommandPattern Any() { return CommandPattern(); }
    static CommandPattern Opcode(std::uint8_t opcode) { return CommandPattern().Byte(0, opcode); }
    static CommandPattern Vendor(std::uint8_t group) { return Opcode(0xEE).Byte(1, group); }
    static CommandPattern Vendor(std::uint8_t group, std::uint8_t sub) { return Vendor(group).Byte(6, sub); }

    CommandPattern& Byte(std::size_t index, std::uint8_t value);
    CommandPattern& Address16(std::uint16_t address); // bytes 4..5, as group 0x01 carries a register
    bool Matches(std::span<const std::uint8_t> cdb) const;

private:
    std::vector<std::pair<std::size_t, std::uint8_t>> bytes_;
};

struct FaultRule {
    CommandPattern pattern;
    FaultKind kind = FaultKind::CheckCondition;
    unsigned first = 1; // the first matching command it hits: 1 = the next one that matches
    unsigned count = 1; // how many matching commands it hits from there on; 0 = every one
    std::vector<std::uint8_t> reply; // for FaultKind::Reply
};

// The answer of a fault, for `exchange` (a Reply fills its data in).
ScsiAnswer FaultAnswer(FaultKind kind, std::span<const std::uint8_t> reply, ScsiExchange& exchange);

// The rules in force. Every rule counts every command that matches it; the first rule
// (in the order they were added) that hits a command decides its answer.
class FaultRules {
public:
    void Add(FaultRule rule) { rules_.push_back({std::move(rule), 0}); }
    void Clear() { rules_.clear(); }
    std::optional<ScsiAnswer> Apply(ScsiExchange& exchange);

private:
    struct Counted {
        FaultRule rule;
        unsigned matched;
    };
    std::vector<Counted> rules_;
};

} // namespace sim
