#include "resources/main_menu.h"

#include "resources/resource_ids.h"

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

} // namespace

std::span<const MenuResourceItem> FindMenuResource(UINT id)
{
    return id == IDR_MAINFRAME ? std::span<const MenuResourceItem>(kMainMenu) : std::span<const MenuResourceItem>();
}

std::span<const Accelerator> MainAccelerators()
{
    return kAccelerators;
}

} // namespace res
