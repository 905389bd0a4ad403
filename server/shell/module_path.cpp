#include "server/shell/module_path.h"

#include "server/shell/debug_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace portwarden {

bool OwnLibraryPath(std::string& path)
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnLibraryPath), &info) == 0 || info.dli_fname == nullptr) {
        // dladdr leaves no dlerror text to report.
        DebugLine("Own library path unknown");
        return false;
    }
    // The loader keeps the name it was given; the registry needs it absolute.
    char* absolute = realpath(info.dli_fname, nullptr);
    if (absolute == nullptr) {
        DebugLine("Own library path %s unresolved: %s", info.dli_fname, std::strerror(errno));
        return false;
    }
    path = absolute;
    std::free(absolute);
    return true;
}

} // namespace portwarden
