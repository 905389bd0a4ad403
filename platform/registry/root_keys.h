// The four root keys: the handles that name them and the names the store keeps them under.
#pragma once

#include "platform/registry/key_tree.h"
#include "platform/registry/registry.h"

#include <array>

namespace platform::registry {

struct RootKey {
    HKEY key;
    const char* name;
};

const std::array<RootKey, 4>& RootKeys();

// The root keys always exist, whether or not the store holds anything below them yet.
void AddRootKeys(Key& top);

} // namespace platform::registry
