#include "engine/chipworker/slt_gpio_test.h"

#include "engine/chipworker/chip_access.h"
#include "engine/spi/spi_transfer.h"
#include "platform/debug/debug.h"

#include <array>
#include <cstdlib>

namespace {

constexpr std::array<WORD, 3> GpioRegisters{0x03, 0x02, 0x09};
constexpr std::array<BYTE, 3> RestoredValues{0x01, 0x06, 0x00};

struct StateValues {
    std::array<BYTE, 3> write;
    std::array<BYTE, 3> mask;
    std::array<BYTE, 3> expect;
};

// The four test bits b0..b3; states 2 and 4 invert those of states 1 and 3.
StateValues ValuesFor(int state, BYTE r)
{
    if (state % 2 == 0)
        r = static_cast<BYTE>(~r);
    const BYTE b0 = r & 1, b1 = (r >> 1) & 1, b2 = (r >> 2) & 1, b3 = (r >> 3) & 1;
    if (state <= 2)
        return {{static_cast<BYTE>(0x40 | b0 << 2), static_cast<BYTE>(0x50 | b2 << 2 | b1), static_cast<BYTE>(0xB0 | b3 << 3)},
                {0x0A, 0x02, 0x04},
                {static_cast<BYTE>(b1 << 3 | b0 << 1), static_cast<BYTE>(b2 << 1), static_cast<BYTE>(b3 << 2)}};
    return {{static_cast<BYTE>(0xA0 | b1 << 3 | b0 << 1), static_cast<BYTE>(0x20 | b2 << 1), static_cast<BYTE>(0x70 | b3 << 2)},
            {0x04, 0x05, 0x08},
            {static_cast<BYTE>(b0 << 2), static_cast<BYTE>(b2 << 2 | b1), static_cast<BYTE>(b3 << 3)}};
}

struct Mismatch {
    BYTE stateCode = 0;
    BYTE lastRead = 0;
    StateValues values{};
};

// Runs one state; the mismatch of its first register that does not read back as expected.
// A register that cannot be read is a mismatch too.
bool RunState(int state, const StateValues& values, Mismatch& mismatch)
{
    platform::DebugPrintf("@TX%d=%02X: %02X, %02X", state, values.write[0], values.write[1], values.write[2]);
    platform::DebugPrintf("@RX%d=%02X: %02X, %02X", state, values.expect[0], values.expect[1], values.expect[2]);
    for (std::size_t i = 0; i < GpioRegisters.size(); ++i)
        WriteChipRegister(GpioRegisters[i], values.write[i]);
    for (std::size_t i = 0; i < GpioRegisters.size(); ++i) {
        BYTE read = 0;
        const bool ok = ReadChipRegister(GpioRegisters[i], read);
        if (!ok || (read & values.mask[i]) != values.expect[i]) {
            mismatch = {static_cast<BYTE>(0x10 * state + i + 1), read, values};
            return false;
        }
    }
    return true;
}

} // namespace

int SltGpioTest()
{
    WriteChipRegister(0x15, 0x7F);
    WriteChipRegister(0x19, 0x00);
    WriteChipRegister(0x1C, 0x02);
    Mismatch mismatch;
    bool passed = true;
    BYTE r = 0;
    for (int state = 1; state <= 4 && passed; ++state) {
        if (state == 1 || state == 3)
            r = static_cast<BYTE>(std::rand() & 0xFF);
        passed = RunState(state, ValuesFor(state, r), mismatch);
    }
    for (std::size_t i = 0; i < GpioRegisters.size(); ++i)
        WriteChipRegister(GpioRegisters[i], RestoredValues[i]);
    if (passed)
        return 1;
    PrintFramed("\t\t\tGPIO_Test FAIL");
    platform::DebugPrintf("SLT Error At State 0x%02X", mismatch.stateCode);
    platform::DebugPrintf("%02X: %02X, %02X, %02X", mismatch.lastRead, mismatch.values.expect[0], mismatch.values.expect[1],
                          mismatch.values.expect[2]);
    return 0;
}
