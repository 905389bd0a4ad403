#include "server/shell/base_api.h"

#include "platform/debug/debug.h"

CBaseAPI::CBaseAPI()
{
    OutputDebugStringA("Entry CBaseAPI function");
    standard_.emplace();
    vendor_.emplace();
    disks_.emplace(*standard_);
    topology_.emplace(*standard_, *vendor_, switches_);
    nand_.emplace(*vendor_, *standard_);
    portwarden::CountObject(+1);
}

// The count drops last: once it reaches 0 the library may be unloaded.
CBaseAPI::~CBaseAPI()
{
    nand_.reset();
    topology_.reset();
    disks_.reset();
    vendor_.reset();
    standard_.reset();
    portwarden::CountObject(-1);
}

HRESULT CBaseAPI::QueryInterface(REFIID riid, void** object)
{
    return portwarden::AnswerQueryInterface(static_cast<IPortwardenCtrl*>(this), riid, IID_IPortwardenCtrl,
                                            "Find IID_IPortwardenCtrl interface", object);
}
