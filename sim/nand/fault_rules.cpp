#include "sim/nand/fault_rules.h"

namespace sim::nand {

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
    if (rule.reg && (!operation.reg || *rule.reg != *operation.reg))
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
