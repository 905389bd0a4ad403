#include "engine/chipworker/chip_access.h"

#include "engine/spi/spi_procedures.h"

namespace {
constexpr BYTE ModeReadRegister = 2;
constexpr BYTE ModeWriteRegister = 3;
constexpr BYTE ModeRequest = 9;
} // namespace

bool ReadChipRegister(WORD reg, BYTE& value)
{
    ChipSetup setup{value};
    const bool read = AccessDevice(ModeReadRegister, setup.data(), u"", 0, reg, 0) == SpiResult::Ok;
    if (read)
        value = setup[0];
    return read;
}

bool WriteChipRegister(WORD reg, BYTE value)
{
    ChipSetup setup{};
    return AccessDevice(ModeWriteRegister, setup.data(), u"", 0, reg, value) == SpiResult::Ok;
}

bool SendChipRequest(ChipSetup& setup)
{
    return AccessDevice(ModeRequest, setup.data(), u"", 0, 0, 0) == SpiResult::Ok;
}
