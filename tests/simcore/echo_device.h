// A tiny USB device for testing the testbed itself: IN requests 0x01 return a pattern
// built from wValue and wIndex, OUT requests 0x02 are kept, anything else stalls.
#pragma once

#include "sim/core/usb_device.h"

#include <cerrno>
#include <mutex>
#include <vector>

namespace simtest {

class EchoDevice : public sim::UsbDevice {
public:
    using sim::UsbDevice::UsbDevice;

    std::vector<std::uint8_t> LastOut()
    {
        std::lock_guard guard(lock_);
        return lastOut_;
    }

protected:
    long Control(const sim::ControlSetup& setup, std::span<std::uint8_t> data) override
    {
        std::lock_guard guard(lock_);
        if (setup.in() && setup.request == 0x01) {
            for (std::size_t i = 0; i < data.size(); ++i)
                data[i] = static_cast<std::uint8_t>((setup.value >> 8) + (setup.index & 0xFF) + i);
            return static_cast<long>(data.size());
        }
        if (!setup.in() && setup.request == 0x02) {
            lastOut_.assign(data.begin(), data.end());
            return static_cast<long>(data.size());
        }
        return -EPIPE;
    }

private:
    std::mutex lock_;
    std::vector<std::uint8_t> lastOut_;
};

} // namespace simtest
