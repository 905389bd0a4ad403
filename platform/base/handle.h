// Kernel-object handles: every HANDLE the platform hands out points to a HandleObject
// that stays registered until CloseHandle. A handle that was closed (or never issued)
// is refused instead of being dereferenced, so a stale handle can never reach another
// object's descriptor.
#pragma once

#include "platform/base/wintypes.h"

#include <memory>

namespace platform {

class HandleObject {
public:
    virtual ~HandleObject() = default;
};

// Registers the object and returns it as a HANDLE; the registry shares it from now on.
HANDLE IssueHandle(std::shared_ptr<HandleObject> object);

// The live object behind a handle, or nullptr (last error ERROR_INVALID_HANDLE)
// when the handle is invalid, closed or of another type. The object stays alive while
// the caller holds the result, even if another thread closes the handle meanwhile.
template <class T>
std::shared_ptr<T> HandleAs(HANDLE handle);

std::shared_ptr<HandleObject> LookupHandle(HANDLE handle);

void SetLastErrorInvalidHandle();

} // namespace platform

BOOL CloseHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> platform::HandleAs(HANDLE handle)
{
    auto object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
    if (object == nullptr)
        SetLastErrorInvalidHandle();
    return object;
}
