#include "server/scsi/vendor_failure_lines.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"

namespace scsi {

void WriteStatusFailure(const ScsiOutcome& outcome)
{
    DWORD error = GetLastError();
    if (!outcome.callSucceeded)
        OutputDebugStringA("status err");
    if (outcome.scsiStatus != 0)
        OutputDebugStringA("SCSI status err");
    platform::DebugPrintf("ErrorCode=%x", unsigned{error});
}

void WriteCodedFailure(const ScsiOutcome& outcome, const char* callLine, const char* statusLine)
{
    DWORD error = GetLastError();
    OutputDebugStringA(outcome.callSucceeded ? statusLine : callLine);
    platform::DebugPrintf("  ErrorCode = 0x%x", unsigned{error});
}

void WriteTaggedFailure(const ScsiOutcome& outcome, const char* code)
{
    platform::DebugPrintf(" @@ %s=%X", code, unsigned{GetLastError()});
    if (!outcome.callSucceeded)
        OutputDebugStringA(code);
}

} // namespace scsi
