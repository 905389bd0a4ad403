// Little-endian fields of on-disk records (boot sectors, directory entries, partition
// entries, volume descriptors).
#pragma once

#include <cstdint>

inline void PutLe16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutLe32(std::uint8_t* at, std::uint32_t value)
{
    PutLe16(at, static_cast<std::uint16_t>(value));
    PutLe16(at + 2, static_cast<std::uint16_t>(value >> 16));
}
