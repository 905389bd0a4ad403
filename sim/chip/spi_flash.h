// The SPI flash behind a simulated chip: 512 KiB, linear (the hub, PD1 and PD2 targets
// are address bases within it), erased to 0xFF. Its status register has write in
// progress (bit 0), write enable latch (bit 1) and block protect (bits 2-4). Erase and
// status writes need the latch; erase also needs no block protection and keeps the flash
// busy for a set time of the platform clock; program only clears bits.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

class SpiFlash {
public:
    static constexpr std::uint32_t Size = 0x80000;
    static constexpr std::uint8_t WriteInProgress = 0x01;
    static constexpr std::uint8_t WriteEnableLatch = 0x02;
    static constexpr std::uint8_t BlockProtect = 0x1C;

    SpiFlash(std::uint8_t initialStatus, unsigned eraseTimeMs);

    std::uint8_t Status();
    void WriteEnable();
    void EnableStatusWrite(); // 0x50 of SST-type flash
    // The status write carries no data: it clears the block protection.
    void WriteStatus();
    // Returns false when the erase was refused (no latch, protected or busy).
    bool ChipErase();
    // Returns false when refused (no latch or busy).
    bool Program(std::uint32_t address, std::span<const std::uint8_t> data);
    void Read(std::uint32_t address, std::span<std::uint8_t> data) const;

    std::vector<std::uint8_t> Contents() const { return cells_; }
    void Load(std::uint32_t address, std::span<const std::uint8_t> data);
    void Flip(std::uint32_t address, std::uint8_t mask) { cells_[address % Size] ^= mask; }
    void SetStuckBusy(bool stuck) { stuckBusy_ = stuck; }
    unsigned eraseCount() const { return eraseCount_; }

private:
    bool Busy();

    std::vector<std::uint8_t> cells_;
    std::uint8_t status_;
    bool statusWriteEnabled_ = false;
    bool stuckBusy_ = false;
    unsigned eraseTimeMs_;
    std::int64_t busyUntil_ = 0;
    unsigned eraseCount_ = 0;
};

} // namespace sim
