// The four exports of the server library (the only symbols it exports: exports.map).
#include "platform/debug/debug.h"
#include "portwarden/interfaces.h"
#include "server/shell/class_factory.h"
#include "server/shell/com_object.h"
#include "server/shell/registration.h"

#include <new>

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    OutputDebugStringA("Entry DllGetClassObject");
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_PortwardenComponent)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) CFactory;
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    HRESULT result = factory->QueryInterface(riid, object);
    factory->Release();
    return result;
}

extern "C" HRESULT DllCanUnloadNow()
{
    return portwarden::ServerInUse() ? S_FALSE : S_OK;
}

extern "C" HRESULT DllRegisterServer()
{
    OutputDebugStringA("Entry DllRegistrServer");
    return portwarden::RegisterServer();
}

extern "C" HRESULT DllUnregisterServer()
{
    OutputDebugStringA("Entry DllUnregistrServer");
    return portwarden::UnregisterServer();
}
