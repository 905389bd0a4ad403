#include "sim/disk/fault_rules.h"

#include "sim/disk/vendor_request.h"

#include <algorithm>
#include <cerrno>

namespace sim {
namespace {

constexpr std::uint8_t kAdapterError = 0x07;

} // namespace

CommandPattern& CommandPattern::Byte(std::size_t index, std::uint8_t value)
{
    bytes_.emplace_back(index, value);
    return *this;
}

CommandPattern& CommandPattern::Address16(std::uint16_t address)
{
    return Byte(4, static_cast<std::uint8_t>(address >> 8)).Byte(5, static_cast<std::uint8_t>(address));
}

bool CommandPattern::Matches(std::span<const std::uint8_t> cdb) const
{
    return std::all_of(bytes_.begin(), bytes_.end(),
                       [&](const auto& byte) { return byte.first < cdb.size() && cdb[byte.first] == byte.second; });
}

ScsiAnswer FaultAnswer(FaultKind kind, std::span<const std::uint8_t> reply, ScsiExchange& exchange)
{
    ScsiAnswer answer;
    switch (kind) {
    case FaultKind::FailedCall: answer.callErrno = EIO; break;
    case FaultKind::AdapterError: answer.hostStatus = kAdapterError; break;
    case FaultKind::CheckCondition: answer = ScsiAnswer::Check(kSenseHardwareError, 0x44, 0x00); break;
    case FaultKind::NotCompleted: answer.status = kStatusNotCompleted; break;
    case FaultKind::Reply: answer = ReplyWith(exchange, reply); break;
    }
    return answer;
}

std::optional<ScsiAnswer> FaultRules::Apply(ScsiExchange& exchange)
{
    std::optional<ScsiAnswer> answer;
    for (Counted& counted : rules_) {
        const FaultRule& rule = counted.rule;
        if (!rule.pattern.Matches(exchange.cdb))
            continue;
        unsigned nth = ++counted.matched;
        bool hits = nth >= rule.first && (rule.count == 0 || nth < rule.first + rule.count);
        if (hits && !answer)
            answer = FaultAnswer(rule.kind, rule.reply, exchange);
    }
    return answer;
}

} // namespace sim
