#include "platform/registry/open_key.h"

namespace platform::registry {

const Key* OpenKey::FindIn(const std::shared_ptr<const Key>& top)
{
    std::lock_guard guard(lock_);
    if (!foundIn_.Is(top)) {
        found_ = FindPath(*top, path);
        foundIn_.Remember(top);
    }
    return found_;
}

} // namespace platform::registry
