// Other programs' pop-up dialogs, found by their exact title and asked to close. On an X11
// display a dialog is a top-level window of the dialog type (or one transient for another
// window), and the close request goes through the window manager (_NET_CLOSE_WINDOW) or,
// without one, straight to the window (WM_DELETE_WINDOW). Without an X11 display nothing
// is found, and one debug line says so.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

using ForeignWindow = std::uint32_t; // 0: none

// The first top-level dialog whose title is exactly `title`; 0 when there is none. An
// empty title finds nothing.
ForeignWindow FindForeignDialog(std::u16string_view title);
// Asks the window to close, as its close button would; false when the request could not be sent.
bool RequestCloseForeignWindow(ForeignWindow window);

} // namespace platform
