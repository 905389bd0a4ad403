#include "engine/ports/port_reporter.h"

#include "engine/ports/port_sync.h"
#include "platform/debug/debug.h"
#include "platform/sync/sync.h"

PortReporter::PortReporter(const PortThreadParam& param)
    : view_(param.hwndView), progress_{param.port, 0, nullptr, 0}
{
}

void PortReporter::Post(UINT message)
{
    if (!platform::PostRecord(view_, message, progress_))
        platform::DebugPrintf("Port %d: progress message 0x%X not posted, the view is gone", progress_.port, message);
}

void PortReporter::PostProgress(std::int32_t position)
{
    progress_.progress = position;
    Post(WM_PORT_PROGRESS);
}

void PortReporter::PostProgressTimer(const AtomicByte* liveProgress, bool on)
{
    progress_.liveProgress = liveProgress;
    progress_.timerOn = on ? 1 : 0;
    Post(WM_PORT_PROGRESS_TIMER);
}

void PortReporter::PostResultAndWait(std::int32_t result, double writeRate, double readRate)
{
    const PortResult record{progress_.port, result, writeRate, readRate};
    if (!platform::PostRecord(view_, WM_PORT_RESULT, record)) {
        platform::DebugPrintf("Port %d: result %d not posted, the view is gone", record.port, result);
        return;
    }
    DWORD waited = WaitForSingleObject(PortEvent(record.port), INFINITE);
    if (waited != WAIT_OBJECT_0)
        platform::DebugPrintf("Port %d: wait for the view's release failed (%u)", record.port, waited);
}
