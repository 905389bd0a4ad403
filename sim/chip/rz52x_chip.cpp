#include "sim/chip/rz52x_chip.h"

#include <algorithm>
#include <cerrno>

namespace sim {
namespace {

constexpr std::uint16_t RegisterChipType = 0x18;
constexpr std::uint16_t RegisterReadyLock = 0xF7;
constexpr std::uint16_t RegisterCcPin = 0x1205;
constexpr std::uint16_t RegisterTrimFirst = 0x158;
constexpr std::uint16_t RegisterUnlockFirst = 0x2AE2;
constexpr std::uint16_t RegisterPower = 0x09;
constexpr std::uint8_t PowerCycleStart = 0x30;
constexpr std::uint8_t NotReady = 0x80;

constexpr std::uint8_t OpWriteEnable = 0x06;
constexpr std::uint8_t OpWriteStatus = 0x01;
constexpr std::uint8_t OpEnableWriteStatus = 0x50;
constexpr std::uint8_t OpReadStatus = 0x05;
constexpr std::uint8_t OpRead = 0x03;

constexpr long Stall = -EPIPE;

bool IsEraseOpcode(std::uint8_t op)
{
    return op == 0xC7 || op == 0x60 || op == 0x62;
}

bool IsProgramOpcode(std::uint8_t op)
{
    return op == 0x02 || op == 0xAF;
}

template <class Key>
unsigned CountOf(const std::map<Key, unsigned>& counts, Key key)
{
    auto found = counts.find(key);
    return found == counts.end() ? 0 : found->second;
}

std::uint16_t RegisterOf(const ControlSetup& setup)
{
    return static_cast<std::uint16_t>(setup.index << 8 | setup.value >> 8);
}

} // namespace

Rz52xChip::Rz52xChip(ChipConfig config)
    : UsbDevice({.bus = config.bus,
                 .device = config.device,
                 .portPath = config.portPath,
                 .vendorId = config.vendorId,
                 .productId = config.productId,
                 .bcdDevice = 0x0100,
                 .speedMbps = 480,
                 .deviceClass = 0xFF}),
      config_(std::move(config)), flash_(config_.initialFlashStatus, config_.eraseTimeMs),
      faultMatches_(config_.faults.size(), 0)
{
    flash_.SetStuckBusy(config_.stuckBusy);
    registers_[RegisterChipType] = config_.c0Type ? 0x80 : 0x00;
    registers_[RegisterCcPin] = config_.ccPin;
    for (int i = 0; i < 4; ++i)
        registers_[static_cast<std::uint16_t>(RegisterTrimFirst + i)] = config_.trim[i];
    for (int pair = 0; pair < GpioFixture::PairCount; ++pair)
        fixture_.SetPairConnected(pair, config_.fixturePairs[pair]);
}

std::vector<std::uint8_t> Rz52xChip::Flash() const
{
    return Locked([&] { return flash_.Contents(); });
}

void Rz52xChip::LoadFlash(std::uint32_t address, std::span<const std::uint8_t> data)
{
    Locked([&] { flash_.Load(address, data); });
}

void Rz52xChip::SetRegister(std::uint16_t reg, std::uint8_t value)
{
    Locked([&] { registers_[reg] = value; });
}

std::uint8_t Rz52xChip::Register(std::uint16_t reg) const
{
    return Locked([&] { return RegisterValue(reg); });
}

unsigned Rz52xChip::RegisterWrites(std::uint16_t reg) const
{
    return Locked([&] { return CountOf(registerWrites_, reg); });
}

unsigned Rz52xChip::Requests(std::uint8_t request) const
{
    return Locked([&] { return CountOf(requests_, request); });
}

unsigned Rz52xChip::ControlTransfers() const
{
    return Locked([&] { return transfers_; });
}

ControlSetup Rz52xChip::LastSetup() const
{
    return Locked([&] { return lastSetup_; });
}

unsigned Rz52xChip::Restarts() const
{
    return Locked([&] { return restarts_; });
}

unsigned Rz52xChip::Erases() const
{
    return Locked([&] { return flash_.eraseCount(); });
}

std::vector<std::uint8_t> Rz52xChip::LockRegisterAtErases() const
{
    return Locked([&] { return lockAtErases_; });
}

std::vector<std::uint8_t> Rz52xChip::EraseOpcodes() const
{
    return Locked([&] { return eraseOpcodes_; });
}

void Rz52xChip::SetUnplugHandler(std::function<void()> handler)
{
    Locked([&] { unplugHandler_ = std::move(handler); });
}

long Rz52xChip::Control(const ControlSetup& setup, std::span<std::uint8_t> data)
{
    std::function<void()> unplug;
    long result;
    {
        std::lock_guard guard(lock_);
        ++transfers_;
        lastSetup_ = setup;
        ++requests_[setup.request];
        const auto fault = FaultFor(setup);
        if (!fault) {
            result = Dispatch(setup, data);
        } else if (*fault == RequestFault::Effect::Short) {
            result = Dispatch(setup, data);
            if (setup.in() && result > 0)
                result = std::min<long>(result, setup.length - 1);
        } else if (*fault == RequestFault::Effect::Unplug) {
            MarkGone();
            unplug = unplugHandler_;
            result = -ENODEV;
        } else {
            result = Stall;
        }
    }
    if (unplug)
        unplug();
    return result;
}

std::optional<RequestFault::Effect> Rz52xChip::FaultFor(const ControlSetup& setup)
{
    for (std::size_t i = 0; i < config_.faults.size(); ++i) {
        const auto& fault = config_.faults[i];
        if (fault.request != setup.request || (fault.reg >= 0 && fault.reg != RegisterOf(setup)))
            continue;
        const unsigned seen = ++faultMatches_[i];
        if (seen > fault.after && (fault.count == Never || seen - fault.after <= fault.count))
            return fault.effect;
    }
    return std::nullopt;
}

long Rz52xChip::Dispatch(const ControlSetup& setup, std::span<std::uint8_t> data)
{
    switch (setup.request) {
    case ChipRequest::Register:
        return RegisterRequest(setup, data);
    case ChipRequest::Identity:
        if (!setup.in() || setup.value != 1)
            return Stall;
        {
            const std::uint16_t pid = description().productId;
            const std::uint8_t identity[4] = {0x52, 0x5A, static_cast<std::uint8_t>(pid >> 8), static_cast<std::uint8_t>(pid)};
            const std::size_t count = std::min<std::size_t>(data.size(), sizeof identity);
            std::copy_n(identity, count, data.begin());
            return static_cast<long>(count);
        }
    case ChipRequest::ResetC0:
    case ChipRequest::ResetA0:
    case ChipRequest::ResetB0:
        return RestartRequest(setup);
    case ChipRequest::NoOp:
        std::fill(data.begin(), data.end(), 0);
        return static_cast<long>(data.size());
    default:
        return SpiRequest(setup, data);
    }
}

long Rz52xChip::RegisterRequest(const ControlSetup& setup, std::span<std::uint8_t> data)
{
    const std::uint16_t reg = RegisterOf(setup);
    const std::uint8_t operation = setup.value & 0xFF;
    if (data.size() != 1)
        return Stall;
    if (setup.in() && operation == 1) {
        data[0] = ReadRegister(reg);
        return 1;
    }
    if (!setup.in() && operation == 2) {
        WriteRegister(reg, data[0]);
        return 1;
    }
    return Stall;
}

long Rz52xChip::RestartRequest(const ControlSetup& setup)
{
    if (setup.in() || setup.length != 0)
        return Stall;
    if (setup.request == ChipRequest::ResetC0) {
        if (!config_.c0Type)
            return Stall;
        ++restarts_;
        return 0;
    }
    if (config_.c0Type)
        return Stall;
    if (setup.request == ChipRequest::ResetA0) {
        resetArmed_ = unlockLatch_ == ChipUnlockKey;
        return 0;
    }
    if (resetArmed_)
        ++restarts_;
    resetArmed_ = false;
    unlockLatch_ = {};
    return 0;
}

long Rz52xChip::SpiRequest(const ControlSetup& setup, std::span<std::uint8_t> data)
{
    const std::uint8_t op = setup.value & 0xFF;
    const bool noData = !setup.in() && setup.length == 0;
    switch (setup.request) {
    case ChipRequest::SpiWriteEnable:
        if (!noData || setup.value != OpWriteEnable)
            return Stall;
        flash_.WriteEnable();
        return 0;
    case ChipRequest::SpiWriteStatus:
        if (!noData || (setup.value != OpWriteStatus && setup.value != OpEnableWriteStatus))
            return Stall;
        if (setup.value == OpEnableWriteStatus)
            flash_.EnableStatusWrite();
        else
            flash_.WriteStatus();
        return 0;
    case ChipRequest::SpiChipErase:
        if (!noData || !IsEraseOpcode(static_cast<std::uint8_t>(setup.value)))
            return Stall;
        if (flash_.ChipErase()) {
            lockAtErases_.push_back(RegisterValue(RegisterReadyLock));
            eraseOpcodes_.push_back(op);
        }
        return 0;
    case ChipRequest::SpiReadStatus:
        if (!setup.in() || setup.value != OpReadStatus || data.size() != 1)
            return Stall;
        data[0] = flash_.Status();
        return 1;
    case ChipRequest::SpiReadData: {
        if (!setup.in() || op != OpRead)
            return Stall;
        const std::uint32_t address = FlashAddress(setup);
        flash_.Read(address, data);
        ++dataReads_;
        for (const auto& error : config_.readBitErrors)
            if (dataReads_ > error.fromRead && error.address - address < data.size())
                data[error.address - address] ^= error.mask;
        return static_cast<long>(data.size());
    }
    case ChipRequest::SpiProgram: {
        if (setup.in() || !IsProgramOpcode(op))
            return Stall;
        const std::uint32_t address = FlashAddress(setup);
        if (flash_.Program(address, data))
            for (const auto& error : config_.programBitErrors)
                if (error.address - address < data.size())
                    flash_.Flip(error.address, error.mask);
        return static_cast<long>(data.size());
    }
    default:
        return Stall;
    }
}

std::uint32_t Rz52xChip::FlashAddress(const ControlSetup& setup) const
{
    return (static_cast<std::uint32_t>(setup.index) << 8 | setup.value >> 8) % SpiFlash::Size;
}

std::uint8_t Rz52xChip::ReadRegister(std::uint16_t reg)
{
    if (reg == RegisterPower && powerCycling_)
        ++powerReads_;
    return RegisterValue(reg);
}

std::uint8_t Rz52xChip::RegisterValue(std::uint16_t reg) const
{
    if (reg == RegisterPower && powerCycling_) {
        const std::uint64_t reads = powerReads_;
        if (reads <= config_.powerOffAfterReads)
            return PowerCycleStart | 0x04;
        if (config_.powerOnAfterReads == Never || reads <= std::uint64_t{config_.powerOffAfterReads} + config_.powerOnAfterReads)
            return PowerCycleStart;
        return PowerCycleStart | 0x08;
    }
    if (GpioFixture::IsGpioRegister(reg))
        return fixture_.Read(reg);
    const auto found = registers_.find(reg);
    const std::uint8_t stored = found == registers_.end() ? 0 : found->second;
    if (reg == RegisterReadyLock) {
        const bool ready = config_.resetsUntilReady != Never && restarts_ >= config_.resetsUntilReady;
        return static_cast<std::uint8_t>((stored & 0x7F) | (ready ? 0 : NotReady));
    }
    return stored;
}

void Rz52xChip::WriteRegister(std::uint16_t reg, std::uint8_t value)
{
    ++registerWrites_[reg];
    if (GpioFixture::IsGpioRegister(reg)) {
        fixture_.Write(reg, value);
        if (reg == RegisterPower) {
            powerCycling_ = value == PowerCycleStart;
            powerReads_ = 0;
        }
        return;
    }
    if (reg >= RegisterUnlockFirst && reg < RegisterUnlockFirst + 4)
        unlockLatch_[reg - RegisterUnlockFirst] = value;
    registers_[reg] = value;
}

} // namespace sim
