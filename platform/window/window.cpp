#include "platform/window/window.h"

#include "platform/base/lasterror.h"

#include <mutex>
#include <unordered_set>

namespace {

struct LiveWindows {
    std::mutex lock;
    std::unordered_set<MessageWindow*> windows;
};

LiveWindows& Live()
{
    static LiveWindows* live = new LiveWindows;
    return *live;
}

} // namespace

MessageWindow::MessageWindow()
{
    auto& live = Live();
    std::lock_guard guard(live.lock);
    live.windows.insert(this);
}

MessageWindow::~MessageWindow()
{
    StopReceiving();
}

void MessageWindow::StopReceiving()
{
    auto& live = Live();
    std::lock_guard guard(live.lock);
    live.windows.erase(this);
}

namespace {

// Delivery happens under the registry lock so that a window cannot be destroyed
// between the liveness check and its Post (Post only queues).
BOOL Deliver(HWND window, PostedMessage message)
{
    auto& live = Live();
    std::lock_guard guard(live.lock);
    if (window == nullptr || live.windows.count(window) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    window->Post(std::move(message));
    return TRUE;
}

} // namespace

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Deliver(window, PostedMessage{message, wParam, lParam, {}});
}

BOOL IsWindow(HWND window)
{
    auto& live = Live();
    std::lock_guard guard(live.lock);
    return window != nullptr && live.windows.count(window) != 0;
}

namespace platform {

BOOL PostMessageWithCopy(HWND window, UINT message, WPARAM wParam, const void* record, std::size_t size)
{
    PostedMessage posted{message, wParam, 0, {}};
    posted.copy.resize(size);
    std::memcpy(posted.copy.data(), record, size);
    return Deliver(window, std::move(posted));
}

} // namespace platform
