// Reading the fields of a vendor CDB and the answers the NAND model gives most often.
#pragma once

#include "sim/disk/scsi_exchange.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace sim::nand {

// Status of a request the driver never completed: left as the sender preset it.
constexpr std::uint8_t kStatusNotCompleted = 0x01;

inline std::uint16_t Be16(std::span<const std::uint8_t> cdb, std::size_t at)
{
    return static_cast<std::uint16_t>(cdb[at] << 8 | cdb[at + 1]);
}

inline std::uint32_t Be32(std::span<const std::uint8_t> cdb, std::size_t at)
{
    return std::uint32_t{cdb[at]} << 24 | std::uint32_t{cdb[at + 1]} << 16 | std::uint32_t{cdb[at + 2]} << 8 |
           cdb[at + 3];
}

inline ScsiAnswer InvalidField()
{
    return ScsiAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);
}

inline ScsiAnswer OutOfRange()
{
    return ScsiAnswer::Check(kSenseIllegalRequest, 0x21, 0x00);
}

// Medium error: a program (0x0C) or erase (0x51) the flash refused.
inline ScsiAnswer MediumError(std::uint8_t asc)
{
    return ScsiAnswer::Check(0x03, asc, 0x00);
}

inline ScsiAnswer ZeroReply(ScsiExchange& exchange)
{
    if (exchange.direction == DataDirection::FromDevice)
        std::fill(exchange.data.begin(), exchange.data.end(), 0);
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

} // namespace sim::nand
