#include "engine/serial/serial_random.h"

namespace {
constexpr ULONGLONG kRandomValues = 0x8000;
}

ULONGLONG NextRandomSerialNumber(ULONGLONG number)
{
    return SerialRandom(static_cast<std::uint32_t>(number)).Next();
}

std::vector<ULONGLONG> RandomSerialCycleThrough(ULONGLONG number)
{
    if (number >= kRandomValues)
        return {};
    std::vector<ULONGLONG> cycle{number};
    std::vector<bool> seen(kRandomValues);
    seen[number] = true;
    for (ULONGLONG next = NextRandomSerialNumber(number); next != number; next = NextRandomSerialNumber(next)) {
        if (seen[next])
            return {}; // fell into a cycle that does not hold `number`
        seen[next] = true;
        cycle.push_back(next);
    }
    return cycle;
}
