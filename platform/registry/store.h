// The store file on disk: where it lives, reading it whole, and changing it under the
// exclusive lock with an atomic replacement (see registry.h for the rules).
#pragma once

#include "platform/registry/key_tree.h"

#include <functional>

namespace platform::registry {

// Loads the store as it stands now into an empty `top`. ERROR_SUCCESS (a missing or
// empty file is an empty store), ERROR_BADDB for a file that is not a store, or the
// error of the failed read.
LONG LoadStore(Key& top);

// Locks the store, loads it, runs `change` and, when it succeeds and reports a change,
// writes the store back atomically. The result is change's, or the store's own error.
LONG ChangeStore(const std::function<LONG(Key& top, bool& changed)>& change);

} // namespace platform::registry
