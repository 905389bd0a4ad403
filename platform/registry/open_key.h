// What an open key handle stands for: a path and the rights it was opened with. Every call
// on the handle looks for its key in the store as it stands then; the key found in one
// version of the store is remembered for the next call that meets the same version.
#pragma once

#include "platform/base/handle.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"

#include <mutex>
#include <string>
#include <vector>

namespace platform::registry {

using KeyPath = std::vector<std::string>;

class OpenKey : public HandleObject {
public:
    OpenKey(KeyPath keyPath, REGSAM keyAccess) : path(std::move(keyPath)), access(keyAccess) {}

    // The key in `top`, or nullptr when it was deleted behind the handle.
    const Key* FindIn(const std::shared_ptr<const Key>& top);

    const KeyPath path; // its root key's name first
    const REGSAM access;

private:
    std::mutex lock_; // the handle may be used by several threads at once
    SeenVersion foundIn_;
    const Key* found_ = nullptr;
};

} // namespace platform::registry
