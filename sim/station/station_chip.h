// The chip the station's bench puts on port 1: an RZ522, optionally one whose SPI
// programming always fails (the download then ends with a compare error).
#pragma once

#include "engine/usb/supported_devices.h"
#include "sim/chip/chip_config.h"

namespace sim {

inline ChipConfig StationChip(bool programmingFails = false)
{
    ChipConfig config;
    config.vendorId = MakerVendorId;
    config.productId = ChipProductId::RZ522;
    if (programmingFails)
        config.faults.push_back({ChipRequest::SpiProgram, -1, 0, Never, RequestFault::Effect::Fail});
    return config;
}

} // namespace sim
