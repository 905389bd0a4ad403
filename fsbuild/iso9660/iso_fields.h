// Byte-order helpers for ISO9660 fields. Most numbers are stored "both orders":
// little-endian immediately followed by big-endian, so either kind of reader can use them.
#pragma once

#include "fsbuild/core/le_fields.h"

#include <cstdint>

namespace iso9660 {

inline void PutBe16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

inline void PutBe32(std::uint8_t* at, std::uint32_t value)
{
    PutBe16(at, static_cast<std::uint16_t>(value >> 16));
    PutBe16(at + 2, static_cast<std::uint16_t>(value));
}

inline void PutBoth16(std::uint8_t* at, std::uint16_t value)
{
    PutLe16(at, value);
    PutBe16(at + 2, value);
}

inline void PutBoth32(std::uint8_t* at, std::uint32_t value)
{
    PutLe32(at, value);
    PutBe32(at + 4, value);
}

} // namespace iso9660
