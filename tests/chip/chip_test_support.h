// What the chip-mode tests share: the chip config of a model, debug-line capture, and an
// opened handle to the first supported device.
#pragma once

#include "engine/usb/supported_devices.h"
#include "engine/usb/target_device.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "sim/chip/chip_bench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace chiptest {

inline WORD VendorOf(WORD productId)
{
    for (const auto& row : SupportedDeviceTable)
        if (row.idProduct == productId)
            return row.idVendor;
    return 0;
}

inline sim::ChipConfig ConfigFor(WORD productId)
{
    sim::ChipConfig config;
    config.vendorId = VendorOf(productId);
    config.productId = productId;
    return config;
}

// Collects every debug line written while it lives.
class DebugCapture {
public:
    DebugCapture()
    {
        previous_ = platform::SetDebugSink([this](std::string_view line) {
            std::lock_guard guard(lock_);
            lines_.emplace_back(line);
        });
    }
    ~DebugCapture() { platform::SetDebugSink(previous_); }

    std::vector<std::string> Lines() const
    {
        std::lock_guard guard(lock_);
        return lines_;
    }
    bool Has(const std::string& line) const
    {
        auto lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::size_t Count(const std::string& line) const
    {
        auto lines = Lines();
        return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
    }
    // Lines that start with `prefix`.
    std::vector<std::string> Starting(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (auto& line : Lines())
            if (line.rfind(prefix, 0) == 0)
                found.push_back(line);
        return found;
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
    platform::DebugSink previous_;
};

// A bench with one chip and the first supported device opened on it.
class OpenedChip : public ::testing::Test {
protected:
    void Build(sim::ChipConfig config)
    {
        chip = &bench.AddChip(std::move(config));
        device = TargetDevice::Open();
        ASSERT_NE(device, nullptr);
    }
    usb_dev_handle* handle() const { return device->handle(); }

    sim::ChipBench bench;
    sim::Rz52xChip* chip = nullptr;
    std::unique_ptr<TargetDevice> device;
};

} // namespace chiptest
