// The controller's XDATA register space: 64 KiB of one-byte registers, read and written by
// vendor group 0x01 (subs 0x04/0x05) and read by every model plugged into the controller
// (a NAND model sees whether encryption is on and which ECC setting is in force).
// Registers come up with their power-on values and return to them on a CPU reset. Every
// value the station writes through a command is kept in order, for tests to read.
// Not locked of its own: the controller reaches it only while it holds its own lock.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace sim {

class XdataRegisters {
public:
    // Bit 0 set: the controller encrypts what it writes to NAND and decrypts what it reads.
    static constexpr std::uint16_t kEncryptionControl = 0x2809;
    static constexpr std::uint8_t kEncryptionOn = 0x01;
    // The ECC setting; (value & 0x03) == 0x02 is the strongest.
    static constexpr std::uint16_t kEccSetting = 0x2608;
    static constexpr std::uint8_t kEccMask = 0x03;
    static constexpr std::uint8_t kEccStrongest = 0x02;

    XdataRegisters();

    std::uint8_t Read(std::uint16_t address) const { return bytes_[address]; }
    void Write(std::uint16_t address, std::uint8_t value) { bytes_[address] = value; }
    // A write by a command: as Write, and kept in the register's list of written values.
    void WriteByCommand(std::uint16_t address, std::uint8_t value);
    std::vector<std::uint8_t> Writes(std::uint16_t address) const;
    // The value a register takes at power-on and after every CPU reset (0 unless set).
    void SetPowerOnValue(std::uint16_t address, std::uint8_t value);
    // Every register back to its power-on value.
    void Reset();

    bool EncryptionOn() const { return (Read(kEncryptionControl) & kEncryptionOn) != 0; }
    std::uint8_t Ecc() const { return Read(kEccSetting); }
    bool EccStrongest() const { return (Ecc() & kEccMask) == kEccStrongest; }

private:
    std::array<std::uint8_t, 0x10000> bytes_{};
    std::map<std::uint16_t, std::uint8_t> powerOn_;
    std::map<std::uint16_t, std::vector<std::uint8_t>> writes_;
};

} // namespace sim
