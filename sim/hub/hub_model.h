// A simulated maker's hub: a USB hub device whose registers the hub-access library reads
// and writes with one vendor request (bRequest 0xF7, wValue the register, one data byte).
#pragma once

#include "sim/core/usb_device.h"

#include <limits>
#include <map>
#include <mutex>
#include <string>

namespace sim {

struct HubConfig {
    int bus = 1;
    int device = 0; // 0: the next free number
    // Its port chain on the bus ("1-1"); empty: a port of its own.
    std::string portPath{};
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t bcdDevice = 0;
    unsigned speedMbps = 5000; // USB generation 3; 480 for a USB 2 hub
    // Accesses to this register (-1: none) fail, the first `failures` of them (all when unlimited).
    int failingRegister = -1;
    unsigned failures = std::numeric_limits<unsigned>::max();
};

class HubModel : public UsbDevice {
public:
    static constexpr std::uint8_t RegisterRequest = 0xF7;

    explicit HubModel(HubConfig config);

    std::uint8_t Register(std::uint16_t reg) const;
    unsigned Accesses() const;

protected:
    long Control(const ControlSetup& setup, std::span<std::uint8_t> data) override;

private:
    HubConfig config_;
    mutable std::mutex lock_;
    std::map<std::uint16_t, std::uint8_t> registers_{{0xA9, 0x30}, {0xB1, 0x00}};
    unsigned failed_ = 0;
    unsigned accesses_ = 0;
};

} // namespace sim
