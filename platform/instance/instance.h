// Named mutexes that span processes, for the one use the station makes of them: making
// sure that only one station runs for a user. The mutex is a lock file in the user's
// runtime folder ($XDG_RUNTIME_DIR, else a private folder under /tmp) held with an
// exclusive flock for as long as its handle is open; the kernel drops the lock when the
// process ends, however it ends.
#pragma once

#include "platform/base/wintypes.h"

struct SECURITY_ATTRIBUTES;

// Windows semantics for the creator: the first process gets the mutex (owned when
// `initialOwner` is set); every later one gets a handle of its own with the last error
// ERROR_ALREADY_EXISTS. A name is required. These handles can be closed but not waited on.
HANDLE CreateNamedMutexW(SECURITY_ATTRIBUTES* attributes, BOOL initialOwner, LPCWSTR name);
