#include "platform/base/handle.h"

#include "platform/base/lasterror.h"

#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

struct HandleRegistry {
    std::mutex lock;
    std::unordered_map<HANDLE, std::shared_ptr<HandleObject>> live;
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
    HANDLE handle = object.get();
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
