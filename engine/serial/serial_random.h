// The generator of the random serial-number modes. Stored numbers came from this exact
// generator, so it is ours rather than the C library's (whose sequence differs between
// libraries): x' = x * 214013 + 2531011 (mod 2^32), output (x' >> 16) & 0x7FFF.
#pragma once

#include "platform/base/wintypes.h"

#include <cstdint>
#include <vector>

class SerialRandom {
public:
    explicit SerialRandom(std::uint32_t seed) : state_(seed) {}

    // The next value, 0..32767.
    std::uint32_t Next()
    {
        state_ = state_ * 214013u + 2531011u;
        return (state_ >> 16) & 0x7FFFu;
    }

private:
    std::uint32_t state_;
};

// The random modes' advance: the generator seeded with the number's low 32 bits, its
// first value.
ULONGLONG NextRandomSerialNumber(ULONGLONG number);

// The numbers that follow themselves under NextRandomSerialNumber when `number` is one of
// them (the cycle it lies on), else empty. Every random number is below 32768, so a number
// on a cycle comes back after at most 32768 steps.
std::vector<ULONGLONG> RandomSerialCycleThrough(ULONGLONG number);
