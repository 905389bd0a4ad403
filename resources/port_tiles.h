// The control ids of the port tiles of a port view, in port order.
#pragma once

#include "platform/base/wintypes.h"

#include <span>

namespace res {

struct PortTileIds {
    UINT group, button, progress, disable, rateR, rateW;
    const char16_t* caption; // the template's group-box text
};

std::span<const PortTileIds> PortView1Tiles();
std::span<const PortTileIds> PortView4Tiles();
std::span<const PortTileIds> PortView8Tiles();
std::span<const PortTileIds> PortView16Tiles();
std::span<const PortTileIds> PortView32Tiles();

} // namespace res
