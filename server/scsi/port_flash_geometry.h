// What ScanFlashBlock learns of a port's flash: the NAND geometry it takes from its caller
// (pages per block and page-data size), which the later flash operations on the same port
// multiply by, and the flash type it classifies from the flash id, which they steer by
// when their caller gives none. Workers of different ports scan at the same time, so each
// port keeps its own values; shared ones would let one port's scan change another port's
// addresses or the kind of flash its tables are built for.
#pragma once

#include "platform/base/wintypes.h"

#include <array>
#include <atomic>
#include <cstdint>

struct FlashGeometry {
    WORD pagesPerBlock = 0;
    WORD pageDataSize = 0;
    // 0 until a scan of the port classified its flash; a classified type is never 0.
    WORD flashType = 0;
};

class PortFlashGeometry {
public:
    static constexpr std::size_t kPorts = 32;

    // Port: the low 8 bits of a slot's index argument; ports beyond the table are refused.
    bool Set(BYTE port, FlashGeometry geometry);
    // All zero for a port never set (or beyond the table).
    FlashGeometry Get(BYTE port) const;

private:
    // All values in one word, so a reader never sees part of another worker's update.
    std::array<std::atomic<std::uint64_t>, kPorts> packed_{};
};
