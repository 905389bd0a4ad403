#include "resources/main_menu.h"

#include "resources/resource_ids.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

namespace res {
namespace {

constexpr MenuResourceItem kFunctionMenu[] = {
    {u"&Setting\tCtrl+S", ID_FUNCTION_SETTING},
    {u"&Enumerate\tCtrl+E", ID_FUNCTION_ENUMERATE},
    {u"&DetailView\tCtrl+D", ID_FUNCTION_DETAIL_VIEW},
    {u"&AutoRun\tCtrl+A", ID_FUNCTION_AUTO_RUN},
    {u"&RunStop\tCtrl+R", ID_FUNCTION_RUN_STOP},
};

constexpr MenuResourceItem kDeviceNumberMenu[] = {
    {u"1", ID_DEVICE_NUMBER_1},   {u"4", ID_DEVICE_NUMBER_4},   {u"8", ID_DEVICE_NUMBER_8},
    {u"16", ID_DEVICE_NUMBER_16}, {u"32", ID_DEVICE_NUMBER_32},
};

constexpr MenuResourceItem kViewMenu[] = {
    {u"&Toolbar", ID_VIEW_TOOLBAR},
    {u"&Status Bar", ID_VIEW_STATUS_BAR},
    {u"&DeviceNumber", kPopupItem, kDeviceNumberMenu},
};

constexpr MenuResourceItem kHelpMenu[] = {
    {u"&About Fabrun...", ID_APP_ABOUT},
};

constexpr MenuResourceItem kMainMenu[] = {
    {u"&Function", kPopupItem, kFunctionMenu},
    {u"&View", kPopupItem, kViewMenu},
    {u"&Help", kPopupItem, kHelpMenu},
};

constexpr Accelerator kAccelerators[] = {
    {"Ctrl+E", ID_FUNCTION_ENUMERATE}, {"Ctrl+S", ID_FUNCTION_SETTING},   {"Ctrl+D", ID_FUNCTION_DETAIL_VIEW},
    {"Ctrl+A", ID_FUNCTION_AUTO_RUN},  {"Ctrl+R", ID_FUNCTION_RUN_STOP},  {"Ctrl+N", ID_FILE_NEW},
    {"Ctrl+O", ID_FILE_OPEN},          {"Ctrl+Z", ID_EDIT_UNDO},          {"Ctrl+X", ID_EDIT_CUT},
    {"Ctrl+C", ID_EDIT_COPY},          {"Ctrl+V", ID_EDIT_PASTE},         {"Alt+Backspace", ID_EDIT_UNDO},
    {"Shift+Del", ID_EDIT_CUT},        {"Ctrl+Ins", ID_EDIT_COPY},        {"Shift+Ins", ID_EDIT_PASTE},
    {"F6", ID_NEXT_PANE},              {"Shift+F6", ID_PREV_PANE},
};

constexpr MenuResource kProgramMenus[] = {{IDR_MAINFRAME, nullptr, kMainMenu}};

std::vector<MenuResource>& Menus()
{
    static std::vector<MenuResource> menus(std::begin(kProgramMenus), std::end(kProgramMenus));
    return menus;
}

// "#" and the decimal digits of a 16-bit id; nothing else names an id.
std::optional<UINT> NamedId(std::u16string_view name)
{
    if (name.size() < 2 || name[0] != u'#')
        return std::nullopt;
    UINT id = 0;
    for (char16_t c : name.substr(1)) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        id = id * 10 + static_cast<UINT>(c - u'0');
        if (id > 0xFFFF)
            return std::nullopt;
    }
    return id;
}

} // namespace

void AddMenuResources(std::span<const MenuResource> menus)
{
    Menus().insert(Menus().end(), menus.begin(), menus.end());
}

std::span<const MenuResourceItem> FindMenuResource(UINT id)
{
    if (id == 0)
        return {};
    for (const MenuResource& menu : Menus())
        if (menu.id == id)
            return menu.items;
    return {};
}

std::span<const MenuResourceItem> FindMenuResource(std::u16string_view name)
{
    if (const std::optional<UINT> id = NamedId(name))
        return FindMenuResource(*id);
    // Resource names compare without regard to letter case.
    auto same = [name](std::u16string_view other) {
        auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; };
        return other.size() == name.size() && std::equal(other.begin(), other.end(), name.begin(), [&](char16_t a, char16_t b) {
                   return fold(a) == fold(b);
               });
    };
    for (const MenuResource& menu : Menus())
        if (menu.name != nullptr && same(menu.name))
            return menu.items;
    return {};
}

std::span<const Accelerator> MainAccelerators()
{
    return kAccelerators;
}

} // namespace res
