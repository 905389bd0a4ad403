#include "platform/popup/popup.h"

#include "platform/debug/debug.h"
#include "platform/popup/x11_windows.h"
#include "platform/text/text.h"

#include <mutex>

namespace platform {
namespace {

// One connection for the process, opened at the first use and again after it broke.
x11::Display* Connection()
{
    static std::unique_ptr<x11::Display> display;
    static bool reported = false;
    if (display != nullptr && !display->Healthy())
        display.reset();
    if (display == nullptr) {
        display = x11::Display::Connect();
        if (display == nullptr && !reported) {
            reported = true;
            DebugPrintf("No X11 display: other programs' pop-up windows are not closed");
        }
    }
    return display.get();
}

std::mutex& Lock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

ForeignWindow FindForeignDialog(std::u16string_view title)
{
    if (title.empty())
        return 0;
    std::lock_guard guard(Lock());
    x11::Display* display = Connection();
    if (display == nullptr)
        return 0;
    const std::string wanted = WideToUtf8(title);
    for (std::uint32_t window : display->TopLevelWindows())
        if (display->Title(window) == wanted && display->IsDialog(window))
            return window;
    return 0;
}

bool RequestCloseForeignWindow(ForeignWindow window)
{
    if (window == 0)
        return false;
    std::lock_guard guard(Lock());
    x11::Display* display = Connection();
    return display != nullptr && display->Close(window);
}

} // namespace platform
