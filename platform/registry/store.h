// The store as the registry calls see it: read as it stands now, and changed under the
// exclusive lock with an atomic replacement (see registry.h for the rules).
#pragma once

#include "platform/registry/key_tree.h"

#include <functional>
#include <memory>

namespace platform::registry {

// The store as it stands now, with the root keys; a parsed copy shared with other callers
// while the file is unchanged. ERROR_SUCCESS (a missing or empty file is an empty store),
// ERROR_BADDB for a file that is not a store, or the error of the failed read.
LONG LoadStore(std::shared_ptr<const Key>& top);

// Tells whether a version LoadStore hands out is one seen before, so that what was found
// in that version can be used again without searching it. It keeps neither the version's
// tree nor its open file: a version nobody else holds is freed, yet never taken for a
// later one.
class SeenVersion {
public:
    void Remember(const std::shared_ptr<const Key>& top) { seen_ = top; }
    bool Is(const std::shared_ptr<const Key>& top) const { return !seen_.owner_before(top) && !top.owner_before(seen_); }

private:
    // Compared by its owner: a weak pointer keeps the version's control block, so no later
    // version can have the same one.
    std::weak_ptr<const Key> seen_;
};

// Locks the store, loads it, runs `change` on a copy of it (with the root keys) and, when
// it succeeds and reports a change, writes the store back atomically. The result is
// change's, or the store's own error.
LONG ChangeStore(const std::function<LONG(Key& top, bool& changed)>& change);

} // namespace platform::registry
