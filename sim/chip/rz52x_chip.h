// A simulated RZ52x chip on the bench: the vendor requests chip mode sends (registers,
// identity, restarts, SPI flash), with the register defaults, the GPIO test fixture and
// the faults its ChipConfig asks for. Any other request stalls.
#pragma once

#include "sim/chip/chip_config.h"
#include "sim/chip/gpio_fixture.h"
#include "sim/chip/spi_flash.h"
#include "sim/core/usb_device.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace sim {

class Rz52xChip : public UsbDevice {
public:
    explicit Rz52xChip(ChipConfig config);

    std::vector<std::uint8_t> Flash() const;
    void LoadFlash(std::uint32_t address, std::span<const std::uint8_t> data);
    void SetRegister(std::uint16_t reg, std::uint8_t value);
    // A register as the chip would answer a read of it now (no side effects).
    std::uint8_t Register(std::uint16_t reg) const;
    unsigned RegisterWrites(std::uint16_t reg) const;
    unsigned ControlTransfers() const;
    ControlSetup LastSetup() const;
    unsigned Requests(std::uint8_t request) const;
    unsigned Restarts() const;
    unsigned Erases() const;
    // Register 0xF7 at each accepted chip erase, in order.
    std::vector<std::uint8_t> LockRegisterAtErases() const;
    // The opcode of each accepted chip erase, in order.
    std::vector<std::uint8_t> EraseOpcodes() const;
    // Runs when a fault unplugs the chip (the bench removes it from the testbed).
    void SetUnplugHandler(std::function<void()> handler);

protected:
    long Control(const ControlSetup& setup, std::span<std::uint8_t> data) override;

private:
    std::optional<RequestFault::Effect> FaultFor(const ControlSetup& setup);
    long Dispatch(const ControlSetup& setup, std::span<std::uint8_t> data);
    long RegisterRequest(const ControlSetup& setup, std::span<std::uint8_t> data);
    long RestartRequest(const ControlSetup& setup);
    long SpiRequest(const ControlSetup& setup, std::span<std::uint8_t> data);
    // A read as the chip answers it: counts towards a running power cycle.
    std::uint8_t ReadRegister(std::uint16_t reg);
    std::uint8_t RegisterValue(std::uint16_t reg) const;
    template <class Action>
    auto Locked(Action&& action) const
    {
        std::lock_guard guard(lock_);
        return action();
    }
    void WriteRegister(std::uint16_t reg, std::uint8_t value);
    std::uint32_t FlashAddress(const ControlSetup& setup) const;

    ChipConfig config_;
    mutable std::mutex lock_;
    SpiFlash flash_;
    GpioFixture fixture_;
    std::map<std::uint16_t, std::uint8_t> registers_;
    std::map<std::uint16_t, unsigned> registerWrites_;
    std::map<std::uint8_t, unsigned> requests_;
    std::vector<unsigned> faultMatches_;
    std::array<std::uint8_t, 4> unlockLatch_{};
    bool resetArmed_ = false;
    unsigned restarts_ = 0;
    unsigned transfers_ = 0;
    ControlSetup lastSetup_;
    unsigned dataReads_ = 0;
    bool powerCycling_ = false;
    unsigned powerReads_ = 0;
    std::vector<std::uint8_t> lockAtErases_;
    std::vector<std::uint8_t> eraseOpcodes_;
    std::function<void()> unplugHandler_;
};

} // namespace sim
