#include "sim/disk/xdata_registers.h"

namespace sim {

namespace {

// As the maker's controllers come up: encryption on, a middle ECC setting.
constexpr std::uint8_t kEncryptionPowerOn = 0x01;
constexpr std::uint8_t kEccPowerOn = 0x05;

} // namespace

XdataRegisters::XdataRegisters()
{
    SetPowerOnValue(kEncryptionControl, kEncryptionPowerOn);
    SetPowerOnValue(kEccSetting, kEccPowerOn);
}

void XdataRegisters::SetPowerOnValue(std::uint16_t address, std::uint8_t value)
{
    powerOn_[address] = value;
    bytes_[address] = value;
}

void XdataRegisters::WriteByCommand(std::uint16_t address, std::uint8_t value)
{
    Write(address, value);
    writes_[address].push_back(value);
}

std::vector<std::uint8_t> XdataRegisters::Writes(std::uint16_t address) const
{
    auto found = writes_.find(address);
    return found == writes_.end() ? std::vector<std::uint8_t>{} : found->second;
}

void XdataRegisters::Reset()
{
    bytes_.fill(0);
    for (const auto& [address, value] : powerOn_)
        bytes_[address] = value;
}

} // namespace sim
