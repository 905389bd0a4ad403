// Menu 128 of the main frame and its accelerator table.
#pragma once

#include "platform/base/wintypes.h"

#include <span>

namespace res {

constexpr UINT kPopupItem = 0xFFFFFFFF; // the id of an item that opens a sub-menu

struct MenuResourceItem {
    const char16_t* text; // a TAB separates the accelerator text
    UINT id;              // kPopupItem for a sub-menu
    std::span<const MenuResourceItem> popup = {};
};

struct Accelerator {
    const char* keys; // as a key sequence is written: "Ctrl+E"
    UINT command;
};

// The items of menu resource `id` (IDR_MAINFRAME is the frame's); empty for an id without one.
std::span<const MenuResourceItem> FindMenuResource(UINT id);
// Accelerator table 128: the frame's own commands, then the framework's (new and open
// document, the edit keys, next and previous pane).
std::span<const Accelerator> MainAccelerators();

} // namespace res
