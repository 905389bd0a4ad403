#include "platform/registry/store.h"

#include "platform/registry/registry.h"
#include "platform/registry/store_cache.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

// The account's home folder from the password database; getpwuid_r, as another thread
// may look up an account at the same time.
std::string AccountHome()
{
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return "/";
    return found->pw_dir;
}

} // namespace

std::string RegistryStorePath()
{
    if (const char* chosen = std::getenv("FABRUN_REGISTRY"); chosen != nullptr && *chosen != '\0')
        return chosen;
    if (geteuid() == 0)
        return "/var/lib/fabrun/registry";
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0')
        return std::string(state) + "/fabrun/registry";
    const char* home = std::getenv("HOME");
    return (home != nullptr && *home != '\0' ? std::string(home) : AccountHome()) + "/.local/state/fabrun/registry";
}

namespace registry {
namespace {

StoreCache& Cache()
{
    static StoreCache* cache = new StoreCache; // outlives every static destructor that may still read the store
    return *cache;
}

// The store as it stands now: the kept version while the file is still the one it came
// from, else the file read again (and kept, when there is a file).
LONG CurrentVersion(const std::string& path, std::shared_ptr<const StoreVersion>& current)
{
    // The kept version holds its file open, so its inode cannot come back as another file:
    // one stat tells that the store is still that file, unchanged.
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (current = Cache().Find(IdentityOf(info))) != nullptr)
        return ERROR_SUCCESS;
    StoreVersion opened;
    if (LONG result = OpenStore(path, opened); result != ERROR_SUCCESS)
        return result;
    if (opened.file.IsOpen() && (current = Cache().Find(opened.identity)) != nullptr)
        return ERROR_SUCCESS;
    auto version = std::make_shared<StoreVersion>(std::move(opened));
    if (LONG result = ReadStore(path, *version); result != ERROR_SUCCESS)
        return result;
    if (version->file.IsOpen())
        Cache().Keep(version);
    current = std::move(version);
    return ERROR_SUCCESS;
}

} // namespace

LONG LoadStore(std::shared_ptr<const Key>& top)
{
    std::shared_ptr<const StoreVersion> current;
    if (LONG result = CurrentVersion(RegistryStorePath(), current); result != ERROR_SUCCESS)
        return result;
    top = std::shared_ptr<const Key>(current, &current->top);
    return ERROR_SUCCESS;
}

LONG ChangeStore(const std::function<LONG(Key& top, bool& changed)>& change)
{
    std::string path = RegistryStorePath();
    Descriptor lock;
    if (LONG result = LockStore(path, lock); result != ERROR_SUCCESS)
        return result;
    std::shared_ptr<const StoreVersion> current;
    if (LONG result = CurrentVersion(path, current); result != ERROR_SUCCESS)
        return result;
    // Readers may hold the current version: the change works on a copy of it.
    StoreVersion next;
    next.top = Key(current->top);
    bool changed = false;
    LONG result = change(next.top, changed);
    if (result != ERROR_SUCCESS || !changed)
        return result;
    if ((result = ReplaceStore(path, next)) == ERROR_SUCCESS)
        Cache().Keep(std::make_shared<const StoreVersion>(std::move(next)));
    return result;
}

} // namespace registry
} // namespace platform
