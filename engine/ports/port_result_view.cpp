#include "engine/ports/port_result_view.h"

#include "engine/ports/port_sync.h"
#include "engine/ports/run_result.h"
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/sync/sync.h"

PortVerdict ReadPortResult(std::int32_t result)
{
    if (result < 0)
        return PortVerdict::Unchanged;
    switch (result) {
    case RunResult::Success:
        return PortVerdict::Pass;
    case RunResult::SuccessRedo:
        return PortVerdict::PassRedo;
    case RunResult::Stopped:
        return PortVerdict::Stopped;
    default:
        return PortVerdict::Fail;
    }
}

BOOL ReleasePortWorker(std::int32_t port)
{
    if (SetEvent(PortEvent(port)))
        return TRUE;
    platform::DebugPrintf("Port %d: release of the worker failed (%u)", port, GetLastError());
    return FALSE;
}
