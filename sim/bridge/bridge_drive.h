// The maker's storage bridge controller with a drive behind it, as its vendor commands see
// it: power-management information, a 0x6000-byte firmware memory, a 256-byte EEPROM image
// kept with its checksum, the suspend switch, timer and hard-disk LED, the button, and an
// SPI flash. Plugged into the simulated controller (Install) it takes over groups 0x80
// and 0x8B; the drive's IDENTIFY data comes from the controller's DiskIdentity.
// EEPROM access names the EEPROM by its bus address (CDB byte 12), which the bridge
// reports in byte 3 of its power-management information; a read has CDB byte 11 = 1 and
// a write anything else.
#pragma once

#include "sim/disk/byte_memory.h"
#include "sim/disk/vendor_request.h"

#include <array>
#include <functional>
#include <mutex>

namespace sim {

class FlashDisk;

struct SpiCommand {
    std::uint32_t dw1 = 0;      // CDB bytes 2..5
    std::uint8_t byte9 = 0;     // CDB byte 9
    std::uint8_t byte10 = 0;    // CDB byte 10
    std::uint8_t flags = 0;     // CDB byte 11, bit 0 = read
    std::uint32_t address = 0;  // CDB bytes 12..15
    std::uint16_t length = 0;
};

struct BridgeState {
    static constexpr std::size_t kEepromSize = 256;
    static constexpr std::size_t kSuspendOffset = 249;
    static constexpr std::size_t kTimerOffset = 250;

    std::array<std::uint8_t, 16> powerInfo{};
    ByteMemory firmware{0x6000};
    std::uint8_t firmwareFlashType = 0;
    unsigned firmwareWrites = 0;
    ByteMemory eeprom{kEepromSize};
    unsigned eepromWrites = 0;
    bool suspendEnabled = false;
    std::uint16_t timer = 0;
    unsigned timerCommands = 0;
    std::uint8_t led = 0;
    std::uint8_t button = 0;
    ByteMemory spiFlash{0x80000, 0xFF};
    SpiCommand lastSpi;

    std::uint8_t eepromAddress() const { return powerInfo[3]; }
};

// The checksum an EEPROM image carries in bytes 0..1 (big-endian): the one that makes its
// 128 big-endian words sum to 0 modulo 65 536.
std::uint16_t EepromChecksum(std::span<const std::uint8_t> image);

class BridgeDrive {
public:
    BridgeDrive();
    void Install(FlashDisk& disk);

    BridgeState Snapshot() const;
    void Change(const std::function<void(BridgeState&)>& change);

private:
    std::optional<ScsiAnswer> Access(VendorRequest& request);
    std::optional<ScsiAnswer> Power(VendorRequest& request);
    std::optional<ScsiAnswer> Spi(VendorRequest& request);

    mutable std::mutex lock_;
    BridgeState state_;
};

} // namespace sim
