#include "server/shell/module_path.h"

#include "server/shell/debug_line.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>

namespace portwarden {

bool OwnLibraryPath(std::string& path)
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnLibraryPath), &info) == 0 || info.dli_fname == nullptr) {
        DebugLine("Own library path unknown: %s", dlerror());
        return false;
    }
    // The loader keeps the name it was given; the registry needs it absolute.
    char* absolute = realpath(info.dli_fname, nullptr);
    if (absolute == nullptr) {
        DebugLine("Own library path %s unresolved", info.dli_fname);
        return false;
    }
    path = absolute;
    std::free(absolute);
    return true;
}

} // namespace portwarden
