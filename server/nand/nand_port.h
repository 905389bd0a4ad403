// What every NAND routine works with for one port: the port's device handle and index, the
// command senders, the geometry and flash type its last scan stored, and its dump folder.
#pragma once

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "server/nand/dump_folder.h"
#include "server/scsi/controller_calls.h"
#include "server/scsi/port_flash_geometry.h"
#include "server/scsi/stdcmd_control.h"
#include "server/scsi/vcomm_control.h"

#include <optional>

namespace nand {

struct NandPort {
    HANDLE device;
    BYTE index;
    CVCommCMDControl& vendor;
    CSTDCMDControl& standard;
    FlashGeometry geometry;
    DumpFolder dumps;
};

// A row address: chip address ((CE << 4) | channel) in bits 24-31, block x pages per
// block + page below. Nothing when the page does not fit the 24 bits.
inline std::optional<DWORD> RowAddress(BYTE chipAddress, long block, long page, WORD pagesPerBlock)
{
    const long long within = static_cast<long long>(block) * pagesPerBlock + page;
    if (block < 0 || page < 0 || within >= (1ll << 24))
        return std::nullopt;
    return DWORD{chipAddress} << 24 | static_cast<DWORD>(within);
}

using scsi::Retry;

constexpr int kDeviceAttempts = 10;

// Up to 10 attempts of `step`, `pauseMs` apart; `failLine` (none when null) once all failed.
template <class Step>
bool RetryPaced(DWORD pauseMs, const char* failLine, Step step)
{
    for (int attempt = 0; attempt < kDeviceAttempts; ++attempt) {
        if (step())
            return true;
        Sleep(pauseMs);
    }
    if (failLine != nullptr)
        OutputDebugStringA(failLine);
    return false;
}

} // namespace nand
