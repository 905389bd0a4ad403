// What the factory and both server objects share: interlocked reference counts, the
// component-wide object and lock counts that decide DllCanUnloadNow, and the
// QueryInterface answer of the two objects.
#pragma once

#include "platform/com/unknown.h"

#include <atomic>

namespace portwarden {

// AddRef and Release for the factory and both objects: an interlocked count that starts
// at 1 (the creation reference); the last Release destroys the object.
template <class Interface, class Self>
class ComObject : public Interface {
public:
    ULONG AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG Release() override
    {
        LONG left = --references_;
        if (left == 0)
            delete static_cast<Self*>(this);
        return static_cast<ULONG>(left);
    }

private:
    std::atomic<LONG> references_{1};
};

void CountObject(int change);
void CountLock(int change);
// True while an object lives or a LockServer(TRUE) is outstanding.
bool ServerInUse();

// IUnknown's and the object's own interface id give the object (with a reference);
// anything else E_NOINTERFACE and a null pointer. `ownFoundLine` names the interface in
// the debug stream.
HRESULT AnswerQueryInterface(IUnknown* self, REFIID riid, REFIID ownIid, const char* ownFoundLine, void** object);

} // namespace portwarden
