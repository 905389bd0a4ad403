#include "server/shell/base_api2.h"

#include "platform/debug/debug.h"

CBaseAPI2::CBaseAPI2()
{
    OutputDebugStringA("Entry CBaseAPI2 function");
    vendor_.emplace();
    portwarden::CountObject(+1);
}

// The count drops last: once it reaches 0 the library may be unloaded.
CBaseAPI2::~CBaseAPI2()
{
    vendor_.reset();
    portwarden::CountObject(-1);
}

HRESULT CBaseAPI2::QueryInterface(REFIID riid, void** object)
{
    return portwarden::AnswerQueryInterface(static_cast<IPortwardenCtrl2*>(this), riid, IID_IPortwardenCtrl2,
                                            "Find IID_IPortwardenCtrl2 interface", object);
}
