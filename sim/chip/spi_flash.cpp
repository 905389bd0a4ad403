#include "sim/chip/spi_flash.h"

#include "platform/clock/clock.h"

#include <algorithm>

namespace sim {

SpiFlash::SpiFlash(std::uint8_t initialStatus, unsigned eraseTimeMs)
    : cells_(Size, 0xFF), status_(initialStatus & BlockProtect), eraseTimeMs_(eraseTimeMs)
{
}

bool SpiFlash::Busy()
{
    if (stuckBusy_)
        return true;
    if (busyUntil_ != 0 && platform::Clock().Now() >= busyUntil_) {
        busyUntil_ = 0;
        status_ &= static_cast<std::uint8_t>(~(WriteInProgress | WriteEnableLatch));
    }
    return busyUntil_ != 0;
}

std::uint8_t SpiFlash::Status()
{
    const bool busy = Busy();
    return static_cast<std::uint8_t>(status_ | (busy ? WriteInProgress : 0));
}

void SpiFlash::WriteEnable()
{
    if (!Busy())
        status_ |= WriteEnableLatch;
}

void SpiFlash::EnableStatusWrite()
{
    if (!Busy())
        statusWriteEnabled_ = true;
}

void SpiFlash::WriteStatus()
{
    if (Busy() || !((status_ & WriteEnableLatch) || statusWriteEnabled_))
        return;
    status_ = 0;
    statusWriteEnabled_ = false;
}

bool SpiFlash::ChipErase()
{
    if (Busy() || !(status_ & WriteEnableLatch))
        return false;
    if (status_ & BlockProtect) {
        // Refused by the protection: the instruction ends at once, clearing the latch.
        status_ &= static_cast<std::uint8_t>(~WriteEnableLatch);
        return false;
    }
    std::fill(cells_.begin(), cells_.end(), 0xFF);
    ++eraseCount_;
    status_ |= WriteInProgress;
    busyUntil_ = platform::Clock().Now() + static_cast<std::int64_t>(eraseTimeMs_) * 10'000;
    if (eraseTimeMs_ == 0)
        Busy();
    return true;
}

bool SpiFlash::Program(std::uint32_t address, std::span<const std::uint8_t> data)
{
    if (Busy() || !(status_ & WriteEnableLatch) || (status_ & BlockProtect))
        return false;
    for (std::size_t i = 0; i < data.size(); ++i)
        cells_[(address + i) % Size] &= data[i];
    status_ &= static_cast<std::uint8_t>(~WriteEnableLatch);
    return true;
}

void SpiFlash::Read(std::uint32_t address, std::span<std::uint8_t> data) const
{
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = cells_[(address + i) % Size];
}

void SpiFlash::Load(std::uint32_t address, std::span<const std::uint8_t> data)
{
    for (std::size_t i = 0; i < data.size(); ++i)
        cells_[(address + i) % Size] = data[i];
}

} // namespace sim
