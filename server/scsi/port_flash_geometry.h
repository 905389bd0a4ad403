// The NAND geometry that ScanFlashBlock takes from its caller (pages per block and
// page-data size) and that the later flash operations on the same port multiply by.
// Workers of different ports scan at the same time, so each port keeps its own pair;
// one shared pair would let one port's scan change another port's addresses.
#pragma once

#include "platform/base/wintypes.h"

#include <array>
#include <atomic>

struct FlashGeometry {
    WORD pagesPerBlock = 0;
    WORD pageDataSize = 0;
};

class PortFlashGeometry {
public:
    static constexpr std::size_t kPorts = 32;

    // Port: the low 8 bits of a slot's index argument; ports beyond the table are refused.
    bool Set(BYTE port, FlashGeometry geometry);
    // All zero for a port never set (or beyond the table).
    FlashGeometry Get(BYTE port) const;

private:
    // Both values in one word, so a reader never sees half of another worker's update.
    std::array<std::atomic<DWORD>, kPorts> packed_{};
};
