// What tells one port view from another: its template, its port tiles, its icon set and
// how it writes the rates.
#pragma once

#include "resources/port_tiles.h"

#include <span>

struct PortViewIcons {
    UINT idleChip;
    UINT idleFlashDrive;
    UINT success; // result 1
    UINT redo;    // result 27
    UINT failure;
};

struct PortViewLayout {
    UINT templateId;
    std::span<const res::PortTileIds> tiles; // one per port, in port order
    PortViewIcons icons;
    const char* readRateFormat;  // printf format of the rate in MB/s
    const char* writeRateFormat;
};
