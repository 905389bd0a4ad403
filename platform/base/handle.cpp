#include "platform/base/handle.h"

#include "platform/base/lasterror.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

struct HandleRegistry {
    std::mutex lock;
    std::unordered_map<HANDLE, std::shared_ptr<HandleObject>> live;
    // Handle values are never given out twice: a freed object's address comes back for the
    // next object, and a stale handle must not reach it. Steps of 4 as on Windows; never
    // null or INVALID_HANDLE_VALUE.
    std::uintptr_t next = 0x1000;
};

HandleRegistry& Registry()
{
    static HandleRegistry* registry = new HandleRegistry; // outlives static destructors of users
    return *registry;
}

} // namespace

HANDLE IssueHandle(std::shared_ptr<HandleObject> object)
{
    auto& registry = Registry();
    std::lock_guard guard(registry.lock);
    HANDLE handle = reinterpret_cast<HANDLE>(registry.next);
    registry.next += 4;
    registry.live.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<HandleObject> LookupHandle(HANDLE handle)
{
    auto& registry = Registry();
    std::lock_guard guard(registry.lock);
    auto found = registry.live.find(handle);
    if (found == registry.live.end())
        return nullptr;
    return found->second;
}

void SetLastErrorInvalidHandle()
{
    SetLastError(ERROR_INVALID_HANDLE);
}

} // namespace platform

BOOL CloseHandle(HANDLE handle)
{
    std::shared_ptr<platform::HandleObject> object;
    {
        auto& registry = platform::Registry();
        std::lock_guard guard(registry.lock);
        auto found = registry.live.find(handle);
        if (found == registry.live.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = std::move(found->second);
        registry.live.erase(found);
    }
    object.reset(); // outside the registry lock: a destructor may close other handles
    return TRUE;
}
