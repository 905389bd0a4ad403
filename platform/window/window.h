// Window handles and posted messages. A window is any object that accepts posted
// messages on its own thread (the console's views deliver them through the GUI event
// loop). PostMessage carries a copy of the record it is given, so the receiver never
// reads memory the sender may be rewriting; the receiver sees lParam pointing at that copy.
#pragma once

#include "platform/base/wintypes.h"

#include <cstring>
#include <type_traits>
#include <vector>

constexpr UINT WM_USER = 0x400;

struct PostedMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::vector<unsigned char> copy; // when not empty, lParam points at copy.data() on delivery

    template <class T>
    const T& Record() const
    {
        return *reinterpret_cast<const T*>(copy.data());
    }
};

class MessageWindow {
public:
    // Takes a message for later delivery; called from any thread, must not block long.
    virtual void Post(PostedMessage message) = 0;

protected:
    MessageWindow();
    virtual ~MessageWindow();
    // A derived window calls this first in its destructor, so that no Post reaches it
    // while its own members are being destroyed. The base destructor calls it again.
    void StopReceiving();
};

using HWND = MessageWindow*;

// Fails (FALSE, ERROR_INVALID_HANDLE) when the window is not alive.
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL IsWindow(HWND window);

namespace platform {

BOOL PostMessageWithCopy(HWND window, UINT message, WPARAM wParam, const void* record, std::size_t size);

// Posts a copy of a plain record; the receiver reads it through lParam.
template <class Record>
BOOL PostRecord(HWND window, UINT message, const Record& record)
{
    static_assert(std::is_trivially_copyable_v<Record>, "posted records are copied byte for byte");
    return PostMessageWithCopy(window, message, 0, &record, sizeof record);
}

} // namespace platform
