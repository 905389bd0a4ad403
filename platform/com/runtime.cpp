#include "platform/com/com.h"

#include "platform/debug/debug.h"
#include "platform/registry/registry.h"

#include <algorithm>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>

namespace {

thread_local int initialisations = 0;

// Server libraries loaded by CoCreateInstance, by the path the registry gave. The lock is
// held from loading a library to the end of the creation, so that no other thread's
// CoUninitialize unloads a library between the two; recursive, for a server whose
// creation creates further objects.
struct LoadedLibraries {
    std::recursive_mutex lock;
    std::map<std::string, void*> byPath;
};

LoadedLibraries& Libraries()
{
    static LoadedLibraries* libraries = new LoadedLibraries; // outlives static destructors of users
    return *libraries;
}

HRESULT ServerPath(REFCLSID clsid, std::string& path)
{
    std::string keyPath = "CLSID\\" + platform::GuidText(clsid) + "\\InprocServer32";
    HKEY key;
    LSTATUS status = RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS) {
        platform::DebugPrintf("CoCreateInstance: %s not registered (%d)", keyPath.c_str(), static_cast<int>(status));
        return REGDB_E_CLASSNOTREG;
    }
    DWORD type = 0, size = 0;
    status = RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size);
    std::string text(size, '\0');
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
    RegCloseKey(key);
    text.resize(std::min<std::size_t>(size, text.size()));
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    if (status != ERROR_SUCCESS || type != REG_SZ || text.empty()) {
        platform::DebugPrintf("CoCreateInstance: %s has no library path (%d)", keyPath.c_str(), static_cast<int>(status));
        return REGDB_E_CLASSNOTREG;
    }
    path = std::move(text);
    return S_OK;
}

// Called with the libraries' lock held.
void* LoadServer(const std::string& path)
{
    auto& libraries = Libraries();
    if (auto found = libraries.byPath.find(path); found != libraries.byPath.end())
        return found->second;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        platform::DebugPrintf("CoCreateInstance: cannot load %s: %s", path.c_str(), dlerror());
        return nullptr;
    }
    libraries.byPath.emplace(path, library);
    return library;
}

void UnloadUnusedServers()
{
    auto& libraries = Libraries();
    std::lock_guard guard(libraries.lock);
    for (auto at = libraries.byPath.begin(); at != libraries.byPath.end();) {
        auto canUnload = reinterpret_cast<DllCanUnloadNowFunction>(dlsym(at->second, "DllCanUnloadNow"));
        if (canUnload == nullptr || canUnload() != S_OK) {
            ++at;
            continue;
        }
        if (dlclose(at->second) != 0)
            platform::DebugPrintf("CoUninitialize: unloading %s failed: %s", at->first.c_str(), dlerror());
        at = libraries.byPath.erase(at);
    }
}

} // namespace

HRESULT CoInitialize(LPVOID)
{
    return ++initialisations == 1 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (initialisations == 0) {
        platform::DebugPrintf("CoUninitialize without CoInitialize on this thread");
        return;
    }
    if (--initialisations == 0)
        UnloadUnusedServers();
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, LPVOID* object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (initialisations == 0)
        return CO_E_NOTINITIALIZED;
    if ((context & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    std::string path;
    if (HRESULT result = ServerPath(clsid, path); FAILED(result))
        return result;
    std::lock_guard guard(Libraries().lock);
    void* library = LoadServer(path);
    if (library == nullptr)
        return CO_E_DLLNOTFOUND;
    auto getClassObject = reinterpret_cast<DllGetClassObjectFunction>(dlsym(library, "DllGetClassObject"));
    if (getClassObject == nullptr) {
        platform::DebugPrintf("CoCreateInstance: %s exports no DllGetClassObject", path.c_str());
        return CO_E_ERRORINDLL;
    }
    IClassFactory* factory = nullptr;
    HRESULT result = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(result) || factory == nullptr) {
        platform::DebugPrintf("CoCreateInstance: no class factory from %s (0x%08X)", path.c_str(),
                              static_cast<unsigned>(result));
        return FAILED(result) ? result : CO_E_ERRORINDLL;
    }
    result = factory->CreateInstance(outer, riid, object);
    factory->Release();
    if (FAILED(result))
        *object = nullptr;
    return result;
}
