// The three messages a port worker posts to its view, and the records they carry.
// Records travel as copies (platform::PostRecord): the view never reads a record the
// worker is still rewriting.
#pragma once

#include "engine/ports/atomic_byte.h"
#include "platform/base/wintypes.h"
#include "platform/window/window.h"

#include <cstdint>

constexpr UINT WM_PORT_PROGRESS = WM_USER + 0x64;       // PortProgress: set the port's bar
constexpr UINT WM_PORT_RESULT = WM_USER + 0x65;         // PortResult: the run's one result
constexpr UINT WM_PORT_PROGRESS_TIMER = WM_USER + 0x66; // PortProgress: animation on or off

constexpr std::int32_t kPortProgressEnd = 1200; // the bar's range is 0..1200

struct PortProgress {
    std::int32_t port;
    std::int32_t progress;                 // 0..1200; for the timer message the base position
    const AtomicByte* liveProgress;        // timer message only: added to the base on each tick
    std::uint8_t timerOn;                  // timer message only: 1 start, 0 stop the animation
};
static_assert(sizeof(PortProgress) == 24);

#pragma pack(push, 1)
struct PortResult {
    std::int32_t port;
    std::int32_t result; // a RunResult code
    double writeRate;    // bytes per second of the stress test, 0 when not measured
    double readRate;
};
#pragma pack(pop)
static_assert(sizeof(PortResult) == 24);
