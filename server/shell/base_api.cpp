#include "server/shell/base_api.h"

#include "platform/debug/debug.h"

CBaseAPI::CBaseAPI()
{
    OutputDebugStringA("Entry CBaseAPI function");
    standard_.emplace();
    vendor_.emplace();
    portwarden::CountObject(+1);
}

// The count drops last: once it reaches 0 the library may be unloaded.
CBaseAPI::~CBaseAPI()
{
    vendor_.reset();
    standard_.reset();
    portwarden::CountObject(-1);
}

HRESULT CBaseAPI::QueryInterface(REFIID riid, void** object)
{
    return portwarden::AnswerQueryInterface(static_cast<IPortwardenCtrl*>(this), riid, IID_IPortwardenCtrl,
                                            "Find IID_IPortwardenCtrl interface", object);
}
