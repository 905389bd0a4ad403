// Planned faults of the NAND model, deterministic: a rule names the commands it applies to
// (kind, path, block range, page, register, block tag) and which of the matching commands it hits
// (the n-th and the following ones, or every one), and what happens to them. A rule with
// a percentage hits that share of its matches, drawn from the model's seed.
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
    RegisterRead,   // group 0x01 sub 4
    RegisterWrite,  // group 0x01 sub 5
    CpuReset,       // group 0x02 sub 1
    LunConfig,      // group 0x02 subs 0x88 / 0x8A
    FlashId,        // group 0x90 sub 0x82
    IspLoad,        // group 0x9F
    CacheClear,     // group 0x6F
    CheckStatus,    // group 0x51 op 0
    Erase,          // group 0x95 sub 0x8E
    Program,        // group 0x95 subs 0x8B / 0x8C
    Read,           // group 0x95 subs 0x89 / 0x8D
    SpareRead,      // group 0x95 sub 0x88
    SpareWrite,     // group 0x95 sub 0x8A
    MarkBad,        // group 0x50 sub 0x80
    BlockStatus,    // group 0x50 sub 0x70
    VbErrorRead,    // group 0xF8 sub 0x80
    VbEngine,       // group 0xF8 subs 0x82 / 0x84 / 0x86 / 0x88
    TestCommand,    // groups 0xF1 / 0xF2
    TestUnitReady,
};

enum class FaultEffect {
    CallFails,      // the SG_IO call fails
    CheckCondition, // CHECK CONDITION, hardware error
    NotCompleted,   // the status is left as a request the driver never completed
    RegisterValue,  // a register read returns `value`
    BitErrors,      // `value` bits flipped per KiB of data read; a VB error read reports `value`
    OperationFails, // the erase, program or mark fails on the flash (CHECK CONDITION, medium error)
    SpareOverride,  // a spare read returns `spare`
    NotReady,       // the next `value` TEST UNIT READY polls report NOT READY
};

// What one command is about, for matching.
struct Operation {
    NandOp op = NandOp::Any;
    std::optional<unsigned> ce, channel;
    std::optional<unsigned> firstBlock, lastBlock; // the blocks it touches
    std::optional<unsigned> page;
    std::optional<std::uint16_t> reg;
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
    std::optional<std::uint16_t> reg;
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
