#include "sim/bridge/bridge_drive.h"

#include "sim/disk/flash_disk.h"

namespace sim {
namespace {

constexpr std::uint8_t kEepromBusAddress = 0xA0;
constexpr std::uint8_t kReadSelector = 1;

} // namespace

std::uint16_t EepromChecksum(std::span<const std::uint8_t> image)
{
    std::uint16_t sum = 0;
    for (std::size_t at = 2; at + 1 < image.size(); at += 2)
        sum = static_cast<std::uint16_t>(sum + BigEndian16(image, at));
    return static_cast<std::uint16_t>(0x10000 - sum);
}

BridgeDrive::BridgeDrive()
{
    for (std::size_t i = 0; i < state_.powerInfo.size(); ++i)
        state_.powerInfo[i] = static_cast<std::uint8_t>(0xB0 + i);
    state_.powerInfo[3] = kEepromBusAddress;
    auto& firmware = state_.firmware.bytes();
    for (std::size_t i = 0; i < firmware.size(); ++i)
        firmware[i] = static_cast<std::uint8_t>(i * 13 + (i >> 9));
    auto& eeprom = state_.eeprom.bytes();
    for (std::size_t i = 2; i < eeprom.size(); ++i)
        eeprom[i] = static_cast<std::uint8_t>(i * 5 + 1);
    eeprom[BridgeState::kSuspendOffset] = 0;
    eeprom[BridgeState::kTimerOffset] = 0;
    eeprom[BridgeState::kTimerOffset + 1] = 0;
    const std::uint16_t checksum = EepromChecksum(eeprom);
    eeprom[0] = static_cast<std::uint8_t>(checksum >> 8);
    eeprom[1] = static_cast<std::uint8_t>(checksum);
}

void BridgeDrive::Install(FlashDisk& disk)
{
    auto locked = [this](std::optional<ScsiAnswer> (BridgeDrive::*handler)(VendorRequest&)) {
        return [this, handler](VendorRequest& request) {
            std::lock_guard guard(lock_);
            return (this->*handler)(request);
        };
    };
    disk.HandleVendorGroup(0x80, locked(&BridgeDrive::Access));
    disk.HandleVendorCommand(0x80, 0x7F, locked(&BridgeDrive::Spi));
    disk.HandleVendorGroup(0x8B, locked(&BridgeDrive::Power));
}

BridgeState BridgeDrive::Snapshot() const
{
    std::lock_guard guard(lock_);
    return state_;
}

void BridgeDrive::Change(const std::function<void(BridgeState&)>& change)
{
    std::lock_guard guard(lock_);
    change(state_);
}

// Group 0x80: EEPROM, firmware memory and button; the rest is the controller's.
std::optional<ScsiAnswer> BridgeDrive::Access(VendorRequest& request)
{
    const bool selectsRead = request.cdb(11) == kReadSelector;
    switch (request.sub()) {
    case 0x80:
    case 0x81: {
        if (selectsRead != request.readsData())
            return InvalidField();
        const bool eeprom = request.sub() == 0x80;
        if (eeprom && request.cdb(12) != state_.eepromAddress())
            return ScsiAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);
        ByteMemory& memory = eeprom ? state_.eeprom : state_.firmware;
        auto answer = MemoryTransfer(request, memory, request.address(), request.lengthField(), selectsRead);
        if (answer && answer->status == kStatusGood && !selectsRead) {
            if (eeprom) {
                ++state_.eepromWrites;
            } else {
                ++state_.firmwareWrites;
                state_.firmwareFlashType = request.cdb(13);
            }
        }
        return answer;
    }
    case 0x87: return ReplyByte(request, state_.button);
    case 0x88: return TakeByte(request, state_.button);
    default: return std::nullopt;
    }
}

// Group 0x80 sub 0x7F: SPI flash access, the address in CDB bytes 12..15.
std::optional<ScsiAnswer> BridgeDrive::Spi(VendorRequest& request)
{
    SpiCommand command;
    command.dw1 = request.address();
    command.byte9 = request.cdb(9);
    command.byte10 = request.cdb(10);
    command.flags = request.cdb(11);
    command.address = static_cast<std::uint32_t>(request.Word(12)) << 16 | request.Word(14);
    command.length = request.lengthField();
    const bool read = (command.flags & 0x01) != 0;
    auto answer = MemoryTransfer(request, state_.spiFlash, command.address, command.length, read);
    if (answer && answer->status == kStatusGood)
        state_.lastSpi = command;
    return answer;
}

// Group 0x8B: power management.
std::optional<ScsiAnswer> BridgeDrive::Power(VendorRequest& request)
{
    if (request.sub() == 0x01) {
        if (auto wrong = WrongPhase(request, Phase::In, request.lengthField()))
            return wrong;
        return ReplyWith(request, state_.powerInfo);
    }
    if (auto wrong = WrongPhase(request, Phase::None, 0))
        return wrong;
    switch (request.sub()) {
    case 0x02: state_.suspendEnabled = true; break;
    case 0x03: state_.suspendEnabled = false; break;
    case 0x04:
        state_.timer = request.Word(11);
        ++state_.timerCommands;
        break;
    case 0x07: state_.led = request.cdb(11); break;
    default: return InvalidCommand();
    }
    return Done(request);
}

} // namespace sim
