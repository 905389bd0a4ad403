#include "sim/hub/hub_model.h"

#include <cerrno>

namespace sim {

HubModel::HubModel(HubConfig config)
    : UsbDevice({.bus = config.bus,
                 .device = config.device,
                 .portPath = config.portPath,
                 .vendorId = config.vendorId,
                 .productId = config.productId,
                 .bcdDevice = config.bcdDevice,
                 .speedMbps = config.speedMbps,
                 .deviceClass = 0x09}),
      config_(config)
{
}

std::uint8_t HubModel::Register(std::uint16_t reg) const
{
    std::lock_guard guard(lock_);
    auto found = registers_.find(reg);
    return found == registers_.end() ? 0 : found->second;
}

unsigned HubModel::Accesses() const
{
    std::lock_guard guard(lock_);
    return accesses_;
}

long HubModel::Control(const ControlSetup& setup, std::span<std::uint8_t> data)
{
    std::lock_guard guard(lock_);
    if (setup.request != RegisterRequest || data.size() != 1)
        return -EPIPE;
    ++accesses_;
    if (config_.failingRegister == setup.value && failed_ < config_.failures) {
        ++failed_;
        return -EPIPE;
    }
    if (setup.in())
        data[0] = registers_[setup.value];
    else
        registers_[setup.value] = data[0];
    return 1;
}

} // namespace sim
