// regsvr32 [/s] [/u] library
// Loads the library and calls DllRegisterServer (DllUnregisterServer with /u). Options are
// one letter after '/' or '-', in any case.
// Exit codes: 0 done, 1 wrong arguments, 3 library not loaded, 4 entry point missing,
// 5 the entry point failed. Messages go to standard error (success to standard output),
// none with /s.
#include "platform/com/unknown.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

enum Exit { kDone = 0, kUsage = 1, kNotLoaded = 3, kNoEntry = 4, kEntryFailed = 5 };

struct Options {
    bool silent = false;
    bool unregister = false;
    const char* library = nullptr;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        // An option is one letter after '/' or '-'; anything longer is a path, absolute ones too.
        if ((argument[0] == '/' || argument[0] == '-') && argument[1] != '\0' && argument[2] == '\0') {
            if (strcasecmp(argument + 1, "s") == 0)
                options.silent = true;
            else if (strcasecmp(argument + 1, "u") == 0)
                options.unregister = true;
            else
                return false;
        } else if (options.library == nullptr) {
            options.library = argument;
        } else {
            return false;
        }
    }
    return options.library != nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: regsvr32 [/s] [/u] library\n");
        return kUsage;
    }
    const char* entryName = options.unregister ? "DllUnregisterServer" : "DllRegisterServer";
    void* library = dlopen(options.library, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        if (!options.silent)
            std::fprintf(stderr, "regsvr32: cannot load %s: %s\n", options.library, dlerror());
        return kNotLoaded;
    }
    auto entry = reinterpret_cast<DllRegisterServerFunction>(dlsym(library, entryName));
    if (entry == nullptr) {
        if (!options.silent)
            std::fprintf(stderr, "regsvr32: %s has no entry point %s\n", options.library, entryName);
        dlclose(library);
        return kNoEntry;
    }
    HRESULT result = entry();
    dlclose(library);
    if (FAILED(result)) {
        if (!options.silent)
            std::fprintf(stderr, "regsvr32: %s in %s failed: 0x%08X\n", entryName, options.library,
                         static_cast<unsigned>(result));
        return kEntryFailed;
    }
    if (!options.silent)
        std::printf("%s in %s succeeded.\n", entryName, options.library);
    return kDone;
}
