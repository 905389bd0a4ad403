#include "console/server_link.h"

#include "platform/com/com.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"

namespace {

template <class Interface>
bool Create(REFIID iid, const char* name, Interface*& object, std::u16string& problem)
{
    void* created = nullptr;
    HRESULT result = CoCreateInstance(CLSID_PortwardenComponent, nullptr, CLSCTX_INPROC_SERVER, iid, &created);
    object = static_cast<Interface*>(created);
    if (SUCCEEDED(result) && object != nullptr)
        return true;
    object = nullptr;
    platform::DebugPrintf("CoCreateInstance %s failed (0x%08X)", name, static_cast<unsigned>(result));
    problem = platform::FormatWide("The device access server Portwarden could not be created: %s is not available "
                                   "(error 0x%08X). Check that Portwarden is installed and registered.",
                                   name, static_cast<unsigned>(result));
    return false;
}

} // namespace

bool CreatePortwardenObjects(std::u16string& problem)
{
    if (Create(IID_IPortwardenCtrl, "IPortwardenCtrl", PortwardenCtrl, problem) &&
        Create(IID_IPortwardenCtrl2, "IPortwardenCtrl2", PortwardenCtrl2, problem))
        return true;
    ReleasePortwardenObjects();
    return false;
}

void ReleasePortwardenObjects()
{
    if (PortwardenCtrl != nullptr)
        PortwardenCtrl->Release();
    if (PortwardenCtrl2 != nullptr)
        PortwardenCtrl2->Release();
    PortwardenCtrl = nullptr;
    PortwardenCtrl2 = nullptr;
}
