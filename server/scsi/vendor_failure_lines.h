// The debug lines a vendor sender writes when its command failed. Refused commands were
// never sent and have their own line; these are for commands that went out.
#pragma once

#include "server/scsi/scsi_request.h"

namespace scsi {

// "SCSI status err" for a status, or "status err" for a failed call (plus "SCSI status
// err" when the preset status stayed), then "ErrorCode=%x" with the last error.
void WriteStatusFailure(const ScsiOutcome& outcome);
// callLine for a failed call, else statusLine; then "  ErrorCode = 0x%x".
void WriteCodedFailure(const ScsiOutcome& outcome, const char* callLine, const char* statusLine);
// " @@ <code>=%X" with the last error, and "<code>" alone when the call itself failed.
void WriteTaggedFailure(const ScsiOutcome& outcome, const char* code);

inline bool FailedAfterSending(const ScsiOutcome& outcome)
{
    return !outcome.ok() && !outcome.refused;
}

} // namespace scsi
