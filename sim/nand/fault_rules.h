// Planned faults of the NAND model, deterministic: a rule names the flash commands it
// applies to by what they do on the flash (kind, path, block range, page, block tag: the
// row address decoded with the flash's geometry) and which of the matching commands it
// hits (the n-th and the following ones, or every one), and what happens to them: an
// answer of the controller's own kinds, or an effect inside the flash (bit errors, a
// failing erase, program or mark, a spare area that reads otherwise). A rule with a
// percentage hits that share of its matches, drawn from the model's seed.
// Commands the controller answers itself (registers, CPU reset, LUN configuration, ISP
// segments, cache clear, test commands) take their faults from the controller's rules by
// CDB bytes (sim/disk/fault_rules.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace sim::nand {

enum class NandOp {
    Any,
    FlashId,        // group 0x90 sub 0x82
    CheckStatus,    // group 0x51 op 0
    Erase,          // group 0x95 sub 0x8E, group 0x51 op 1 (the system area)
    Program,        // group 0x95 subs 0x8B / 0x8C
    Read,           // group 0x95 subs 0x89 / 0x8D
    SpareRead,      // group 0x95 sub 0x88
    SpareWrite,     // group 0x95 sub 0x8A
    MarkBad,        // group 0x50 sub 0x80
    BlockStatus,    // group 0x50 sub 0x70
    VbErrorRead,    // group 0xF8 sub 0x80
    VbEngine,       // group 0xF8 subs 0x82 / 0x84 / 0x86 / 0x88
};

// The flash command a vendor command is, by its group and sub-command; nothing for the
// commands the flash does not answer.
std::optional<NandOp> FlashOpOf(std::uint8_t group, std::uint8_t sub);

enum class FaultEffect {
    CallFails,      // the SG_IO call fails
    CheckCondition, // CHECK CONDITION, hardware error
    NotCompleted,   // the status is left as a request the driver never completed
    BitErrors,      // `value` bits flipped per KiB of data read; a VB error read reports `value`
    OperationFails, // the erase, program or mark fails on the flash (CHECK CONDITION, medium error)
    SpareOverride,  // a spare read returns `spare`
};

// What one command is about, for matching.
struct Operation {
    NandOp op = NandOp::Any;
    std::optional<unsigned> ce, channel;
    std::optional<unsigned> firstBlock, lastBlock; // the blocks it touches
    std::optional<unsigned> page;
    std::optional<std::string> tag; // the block tag a program carries
};

// A command on blocks first .. last of one path.
inline Operation BlockOperation(NandOp op, unsigned ce, unsigned channel, unsigned first, unsigned last,
                                std::optional<unsigned> page = std::nullopt)
{
    Operation operation;
    operation.op = op;
    operation.ce = ce;
    operation.channel = channel;
    operation.firstBlock = first;
    operation.lastBlock = last;
    operation.page = page;
    return operation;
}

struct FaultRule {
    NandOp op = NandOp::Any;
    std::optional<unsigned> ce, channel;
    unsigned firstBlock = 0, lastBlock = ~0u;
    std::optional<unsigned> page;
    std::optional<std::string> tag;
    unsigned nth = 0;    // 1 = the first matching command; 0 = every matching command
    unsigned times = 1;  // with nth: this many matching commands from the n-th on
    unsigned percent = 100;
    FaultEffect effect = FaultEffect::CheckCondition;
    unsigned value = 0;
    std::array<std::uint8_t, 6> spare{};
};

class FaultRules {
public:
    explicit FaultRules(std::uint32_t seed) : random_(seed) {}
    void Add(const FaultRule& rule) { rules_.push_back({rule, 0}); }
    void Clear() { rules_.clear(); }
    // The rules that hit this command, in the order they were added; each match counts.
    std::vector<FaultRule> Hits(const Operation& operation);

private:
    struct Entry {
        FaultRule rule;
        unsigned matches;
    };
    static bool Matches(const FaultRule& rule, const Operation& operation);

    std::vector<Entry> rules_;
    std::mt19937 random_;
};

} // namespace sim::nand
