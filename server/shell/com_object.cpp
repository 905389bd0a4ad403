#include "server/shell/com_object.h"

#include "platform/debug/debug.h"

namespace portwarden {
namespace {

std::atomic<LONG> objectCount{0};
std::atomic<LONG> lockCount{0};

} // namespace

void CountObject(int change)
{
    objectCount += change;
}

void CountLock(int change)
{
    lockCount += change;
}

bool ServerInUse()
{
    return objectCount != 0 || lockCount != 0;
}

HRESULT AnswerQueryInterface(IUnknown* self, REFIID riid, REFIID ownIid, const char* ownFoundLine, void** object)
{
    OutputDebugStringA("QueryInterface");
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown) {
        OutputDebugStringA("Find IID_IUnknown interface");
    } else if (riid == ownIid) {
        OutputDebugStringA(ownFoundLine);
    } else {
        OutputDebugStringA("E_NOINTERFACE");
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = self;
    self->AddRef();
    return S_OK;
}

} // namespace portwarden
