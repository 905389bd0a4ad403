#include "server/shell/class_factory.h"

#include "platform/debug/debug.h"
#include "portwarden/interfaces.h"
#include "server/shell/base_api.h"
#include "server/shell/base_api2.h"

#include <new>

HRESULT CFactory::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

namespace {

// A new object for the interface asked for, or nullptr for any other id.
IUnknown* NewObjectFor(REFIID riid)
{
    if (riid == IID_IPortwardenCtrl)
        return static_cast<IPortwardenCtrl*>(new (std::nothrow) CBaseAPI);
    if (riid == IID_IPortwardenCtrl2)
        return static_cast<IPortwardenCtrl2*>(new (std::nothrow) CBaseAPI2);
    return nullptr;
}

} // namespace

HRESULT CFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    OutputDebugStringA("Entry CFactory CreateInstance");
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    // An unknown interface id answers E_OUTOFMEMORY, as callers of this server expect.
    IUnknown* created = NewObjectFor(riid);
    if (created == nullptr)
        return E_OUTOFMEMORY;
    HRESULT result = created->QueryInterface(riid, object);
    created->Release();
    return result;
}

HRESULT CFactory::LockServer(BOOL lock)
{
    portwarden::CountLock(lock != 0 ? 1 : -1);
    return S_OK;
}
