#include "sim/nand/fault_rules.h"

namespace sim::nand {

std::optional<NandOp> FlashOpOf(std::uint8_t group, std::uint8_t sub)
{
    switch (group) {
    case 0x90: return sub == 0x82 ? std::optional(NandOp::FlashId) : std::nullopt;
    case 0x50:
        if (sub == 0x70)
            return NandOp::BlockStatus;
        return sub == 0x80 ? std::optional(NandOp::MarkBad) : std::nullopt;
    case 0x51:
        if (sub == 0x00)
            return NandOp::CheckStatus;
        return sub == 0x01 ? std::optional(NandOp::Erase) : std::nullopt;
    case 0x95:
        switch (sub) {
        case 0x88: return NandOp::SpareRead;
        case 0x8A: return NandOp::SpareWrite;
        case 0x8E: return NandOp::Erase;
        case 0x8B:
        case 0x8C: return NandOp::Program;
        case 0x89:
        case 0x8D: return NandOp::Read;
        default: return std::nullopt;
        }
    case 0xF8:
        if (sub == 0x80)
            return NandOp::VbErrorRead;
        if (sub == 0x82 || sub == 0x84 || sub == 0x86 || sub == 0x88)
            return NandOp::VbEngine;
        return std::nullopt;
    default: return std::nullopt;
    }
}

bool FaultRules::Matches(const FaultRule& rule, const Operation& operation)
{
    if (rule.op != NandOp::Any && rule.op != operation.op)
        return false;
    if (rule.ce && operation.ce && *rule.ce != *operation.ce)
        return false;
    if (rule.channel && operation.channel && *rule.channel != *operation.channel)
        return false;
    if ((rule.ce && !operation.ce) || (rule.channel && !operation.channel))
        return false;
    if (operation.firstBlock) {
        const unsigned last = operation.lastBlock.value_or(*operation.firstBlock);
        if (last < rule.firstBlock || *operation.firstBlock > rule.lastBlock)
            return false;
    } else if (rule.firstBlock != 0 || rule.lastBlock != ~0u) {
        return false;
    }
    if (rule.page && (!operation.page || *rule.page != *operation.page))
        return false;
    if (rule.tag && (!operation.tag || *rule.tag != *operation.tag))
        return false;
    return true;
}

std::vector<FaultRule> FaultRules::Hits(const Operation& operation)
{
    std::vector<FaultRule> hits;
    for (Entry& entry : rules_) {
        if (!Matches(entry.rule, operation))
            continue;
        const unsigned match = ++entry.matches;
        const FaultRule& rule = entry.rule;
        if (rule.nth != 0 && (match < rule.nth || match >= rule.nth + rule.times))
            continue;
        if (rule.percent < 100 && std::uniform_int_distribution<unsigned>(0, 99)(random_) >= rule.percent)
            continue;
        hits.push_back(rule);
    }
    return hits;
}

} // namespace sim::nand
