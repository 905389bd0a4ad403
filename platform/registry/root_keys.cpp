#include "platform/registry/root_keys.h"

namespace platform::registry {

const std::array<RootKey, 4>& RootKeys()
{
    static const std::array<RootKey, 4> roots{{{HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
                                               {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
                                               {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
                                               {HKEY_USERS, "HKEY_USERS"}}};
    return roots;
}

void AddRootKeys(Key& top)
{
    bool created;
    for (const RootKey& root : RootKeys())
        top.AddChild(root.name, created);
}

} // namespace platform::registry
