#include "platform/registry/store_cache.h"

namespace platform::registry {

std::shared_ptr<const StoreVersion> StoreCache::Find(const FileIdentity& identity) const
{
    std::lock_guard guard(lock_);
    return version_ != nullptr && version_->identity == identity ? version_ : nullptr;
}

void StoreCache::Keep(std::shared_ptr<const StoreVersion> version)
{
    // The version replaced leaves in `version`, which outlives the guard: when nobody else
    // holds it, it is freed after the lock is released.
    std::lock_guard guard(lock_);
    version_.swap(version);
}

} // namespace platform::registry
