// The two interfaces every in-process server offers. Interfaces are structs of pure
// virtual functions in slot order with single inheritance and no virtual destructor, so
// the vtable holds exactly the slots, in order, as a COM client expects.
#pragma once

#include "platform/com/guid.h"
#include "platform/com/hresult.h"

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default; // objects are destroyed by their own Release, never through an interface
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

// Plain constexpr (one copy per file): an inline variable would be a unique symbol, and a
// library holding one can never be unloaded.
constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The exports of an in-process server, as the runtime and regsvr32 look them up by name.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID riid, void** object);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();
