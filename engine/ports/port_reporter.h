// The worker's side of the contract with its port view, written once for both worker
// procedures. One reporter per worker run, on the worker's stack.
#pragma once

#include "engine/ports/atomic_byte.h"
#include "engine/ports/port_messages.h"
#include "engine/ports/port_thread_param.h"

#include <cstdint>

class PortReporter {
public:
    explicit PortReporter(const PortThreadParam& param);

    // The position last posted (0 before the first post).
    std::int32_t Position() const { return progress_.progress; }

    // WM_PORT_PROGRESS: the view sets the port's bar to `position` (0..1200).
    void PostProgress(std::int32_t position);

    // WM_PORT_PROGRESS_TIMER: the view animates the bar from the current position plus the
    // counter that `liveProgress` points to (on), or stops animating (off).
    void PostProgressTimer(const AtomicByte* liveProgress, bool on);

    // WM_PORT_RESULT, the run's last message; then waits without limit until the view has
    // handled it and released the port's event. Returns at once when the view is gone,
    // since nobody would release the event.
    void PostResultAndWait(std::int32_t result, double writeRate = 0.0, double readRate = 0.0);

private:
    void Post(UINT message);

    HWND view_;
    PortProgress progress_;
};
