// The view's side of a posted result, apart from what it draws.
#pragma once

#include "platform/base/wintypes.h"

#include <cstdint>

enum class PortVerdict {
    Pass,      // 1
    PassRedo,  // 27: a pass, shown as "Redo it again!!"
    Stopped,   // 2: the port shows connected, neither pass nor fail
    Fail,      // 0 and every other code above 2
    Unchanged, // a negative code: the tile and the counters stay as they are
};

PortVerdict ReadPortResult(std::int32_t result);

// Signals the port's event once the view has handled the result: the worker that posted it
// returns. Called exactly once per result, whatever the verdict.
BOOL ReleasePortWorker(std::int32_t port);
