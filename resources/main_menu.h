// Menu 128 of the main frame and its accelerator table.
#pragma once

#include "platform/base/wintypes.h"

#include <span>
#include <string_view>

// The flags of a menu template's items.
constexpr UINT MF_GRAYED = 0x1;
constexpr UINT MF_DISABLED = 0x2;
constexpr UINT MF_CHECKED = 0x8;
constexpr UINT MF_POPUP = 0x10;
constexpr UINT MF_SEPARATOR = 0x800;

namespace res {

constexpr UINT kPopupItem = 0xFFFFFFFF; // the id of an item that opens a sub-menu

struct MenuResourceItem {
    const char16_t* text; // a TAB separates the accelerator text; empty with id 0: a separator
    UINT id;              // kPopupItem for a sub-menu
    std::span<const MenuResourceItem> popup = {};
    UINT flags = 0;       // MF_GRAYED, MF_DISABLED, MF_CHECKED
};

// A menu resource as a module holds it: by id, by name, or by both.
struct MenuResource {
    UINT id;              // 0: known by its name only
    const char16_t* name; // nullptr: known by its id only
    std::span<const MenuResourceItem> items;
};

// Adds a module's menus to those that the lookups find, after the program's own; on the
// GUI thread, with tables that live as long as the process.
void AddMenuResources(std::span<const MenuResource> menus);

struct Accelerator {
    const char* keys; // as a key sequence is written: "Ctrl+E"
    UINT command;
};

// The items of menu resource `id` (IDR_MAINFRAME is the frame's); empty for an id without one.
std::span<const MenuResourceItem> FindMenuResource(UINT id);
// By name; "#128", as resource names go, names id 128. Empty for a name without one.
std::span<const MenuResourceItem> FindMenuResource(std::u16string_view name);
// Accelerator table 128: the frame's own commands, then the framework's (new and open
// document, the edit keys, next and previous pane).
std::span<const Accelerator> MainAccelerators();

} // namespace res
