// The chip's GPIO registers 0x02, 0x03 and 0x09 and the test fixture that wires their
// pins in pairs. In each register bit 4+n enables pin n as an output and bit n is its
// level; an input pin reads the level its partner drives, or the pull-up's 1 when no
// output drives it (a broken pair).
#pragma once

#include <array>
#include <cstdint>
#include <map>

namespace sim {

class GpioFixture {
public:
    // The four wires of the fixture, in this order:
    // 0x03 pin 2 - 0x03 pin 1, 0x02 pin 0 - 0x03 pin 3, 0x02 pin 2 - 0x02 pin 1, 0x09 pin 3 - 0x09 pin 2.
    static constexpr int PairCount = 4;

    static bool IsGpioRegister(std::uint16_t reg) { return reg == 0x02 || reg == 0x03 || reg == 0x09; }

    void Write(std::uint16_t reg, std::uint8_t value) { written_[reg] = value; }
    std::uint8_t Read(std::uint16_t reg) const;
    void SetPairConnected(int pair, bool connected) { connected_[pair] = connected; }

private:
    struct Pin {
        std::uint16_t reg;
        int pin;
    };
    static constexpr std::array<std::array<Pin, 2>, PairCount> Pairs = {{
        {{{0x03, 2}, {0x03, 1}}},
        {{{0x02, 0}, {0x03, 3}}},
        {{{0x02, 2}, {0x02, 1}}},
        {{{0x09, 3}, {0x09, 2}}},
    }};

    bool IsOutput(Pin pin) const;
    bool Level(Pin pin) const;

    std::map<std::uint16_t, std::uint8_t> written_{{0x02, 0x06}, {0x03, 0x01}, {0x09, 0x00}};
    std::array<bool, PairCount> connected_{true, true, true, true};
};

} // namespace sim
