#include "platform/module/module.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/process/process.h"
#include "platform/sysdir/sysdir.h"
#include "platform/text/text.h"

#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

std::string SystemFolder()
{
    UINT size = GetSystemDirectoryW(nullptr, 0);
    std::u16string folder(size, u'\0');
    UINT length = GetSystemDirectoryW(folder.data(), size);
    if (length == 0 || length >= size)
        return {};
    folder.resize(length);
    return platform::WideToAnsi(folder) + "/";
}

std::vector<std::string> Candidates(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return {name};
    std::vector<std::string> paths{platform::WideToAnsi(platform::ProgramFolder()) + name};
    std::string system = SystemFolder();
    if (!system.empty())
        paths.push_back(system + name);
    return paths;
}

} // namespace

HMODULE LoadLibraryA(LPCSTR fileName)
{
    if (fileName == nullptr || *fileName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (const std::string& path : Candidates(fileName)) {
        if (void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
            return handle;
        platform::DebugPrintf("LoadLibraryA: %s", ::dlerror());
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
    if (module == nullptr || procName == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    ::dlerror();
    void* symbol = ::dlsym(module, procName);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module)
{
    if (module == nullptr || ::dlclose(module) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
