// The parsed copy of the store, so that a run of queries parses the file once. The copy is
// the version this process read or wrote last, reused only while the store file's identity
// is the one it came from: every change replaces the file by a rename, and the version
// keeps its file open, so a change by any process or thread comes with another identity.
// Shared between threads; a version handed out is never changed.
#pragma once

#include "platform/registry/store_disk.h"

#include <memory>
#include <mutex>

namespace platform::registry {

class StoreCache {
public:
    // The kept version when the store file now has `identity`, else null.
    std::shared_ptr<const StoreVersion> Find(const FileIdentity& identity) const;
    // Keeps `version` in place of the one kept so far.
    void Keep(std::shared_ptr<const StoreVersion> version);

private:
    mutable std::mutex lock_;
    std::shared_ptr<const StoreVersion> version_;
};

} // namespace platform::registry
