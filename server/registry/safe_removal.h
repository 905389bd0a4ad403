// Asking for a disk's USB device to be removed safely, with the retries an operator's
// station needs while a volume is still being closed.
#pragma once

#include "platform/cfgmgr/cfgmgr.h"

namespace portwarden {

constexpr int kRemovalAttempts = 3;
constexpr DWORD kRemovalRetryMs = 500;

// The disk node's parent (its USB device) is ejected: 1 on success; 0 when every attempt
// was vetoed (a volume of it stays mounted); else the configuration manager's result of
// the last attempt, or of the failed parent lookup (no attempt is made then).
int SafeRemoval(DEVINST disk);

} // namespace portwarden
