#include "sim/chip/gpio_fixture.h"

namespace sim {

bool GpioFixture::IsOutput(Pin pin) const
{
    return (written_.at(pin.reg) >> (4 + pin.pin)) & 1;
}

bool GpioFixture::Level(Pin pin) const
{
    return (written_.at(pin.reg) >> pin.pin) & 1;
}

std::uint8_t GpioFixture::Read(std::uint16_t reg) const
{
    const std::uint8_t written = written_.at(reg);
    std::uint8_t value = written & 0xF0;
    for (int pin = 0; pin < 4; ++pin) {
        const Pin self{reg, pin};
        bool level = true; // pulled up
        if (IsOutput(self)) {
            level = Level(self);
        } else {
            for (int pair = 0; pair < PairCount; ++pair)
                for (int end = 0; end < 2; ++end) {
                    const Pin here = Pairs[pair][end], partner = Pairs[pair][1 - end];
                    if (here.reg == reg && here.pin == pin && connected_[pair] && IsOutput(partner))
                        level = Level(partner);
                }
        }
        value |= static_cast<std::uint8_t>(level << pin);
    }
    return value;
}

} // namespace sim
