#include "server/registry/key_tree.h"

#include "platform/registry/values.h"
#include "server/shell/debug_line.h"

namespace portwarden {
namespace {

// A subkey name as the enumeration gives it, NUL included.
constexpr DWORD kSubkeyNameRoom = 261;

} // namespace

int DeleteKeyTree(const std::string& path)
{
    if (path.size() >= kKeyPathRoom) {
        DebugLine("DeleteKeyTree: %zu characters do not fit a key path: %.80s...", path.size(), path.c_str());
        return 0;
    }
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS)
        return 1;
    // Keys of the store carry no owner or access list: there is nothing to take over before
    // deleting what is below.
    platform::registry::ScopedKey key;
    const LSTATUS opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out());
    if (opened == ERROR_FILE_NOT_FOUND) {
        DebugLine("Key not found.\n");
        return 1;
    }
    if (opened != ERROR_SUCCESS) {
        DebugLine("Error opening key.\n");
        return 0;
    }
    const std::string prefix = path.back() == '\\' ? path : path + '\\';
    std::string previous;
    for (;;) {
        char name[kSubkeyNameRoom];
        DWORD length = sizeof name;
        const LSTATUS listed = RegEnumKeyExA(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (listed != ERROR_SUCCESS) {
            if (listed != ERROR_NO_MORE_ITEMS)
                DebugLine("DeleteKeyTree: the subkeys of %s cannot be listed: error %ld", path.c_str(),
                          static_cast<long>(listed));
            break;
        }
        // Deleted, yet listed first again: deleting it once more would loop for ever.
        if (previous == name) {
            DebugLine("DeleteKeyTree: %s%s is still listed after its deletion", prefix.c_str(), name);
            return 0;
        }
        if (DeleteKeyTree(prefix + name) == 0)
            break;
        previous = name;
    }
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS ? 1 : 0;
}

} // namespace portwarden
