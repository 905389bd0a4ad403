// The class factory of the server's one component: it makes the object that answers the
// interface asked for.
#pragma once

#include "server/shell/com_object.h"

class CFactory final : public portwarden::ComObject<IClassFactory, CFactory> {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override;
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT LockServer(BOOL lock) override;
};
