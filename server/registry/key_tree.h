// Deleting a key with everything below it from the local machine's keys of the registry
// store, one key at a time from the bottom up. Each deletion replaces the store whole, so
// a process killed half-way leaves a readable store with the tree partly deleted; running
// the deletion again finishes it.
#pragma once

#include <string>

namespace portwarden {

// Room for a key path, the terminating NUL included: a path that does not fit is never cut
// to one that names another key.
constexpr std::size_t kKeyPathRoom = 520;

// `path` below HKEY_LOCAL_MACHINE. 1 when the key is gone (or was never there: "Key not
// found."), 0 when it or a key below it could not be deleted, the path does not fit, or a
// subkey stays listed after its deletion succeeded (a name the store lists but cannot
// reach by path); the tree is then left as far as it got.
int DeleteKeyTree(const std::string& path);

} // namespace portwarden
