// Resource ids of the program: menus, accelerators, toolbar, bitmaps, icons, strings,
// dialog templates and their controls.
#pragma once

#include "platform/base/wintypes.h"

namespace res {

// Menu, accelerator table, icon and document template of the main frame.
constexpr UINT IDR_MAINFRAME = 128;
constexpr UINT IDR_TOOLBAR = 150;

// Toolbar bitmaps, 48 x 48 on magenta.
constexpr UINT IDB_RUN_STOP = 145;
constexpr UINT IDB_DETAIL_VIEW = 146;
constexpr UINT IDB_ENUMERATE = 147;
constexpr UINT IDB_AUTO_RUN = 148;
constexpr UINT IDB_SETTING = 152;
// The device list's row images, 32 x 32 on white.
constexpr UINT IDB_DEVICE_LIST = 153;

// Port-button icons of the 1- and 4-port views.
constexpr UINT IDI_IDLE_CHIP_1 = 134;
constexpr UINT IDI_FAIL_1 = 135;
constexpr UINT IDI_SUCCESS_1 = 136;
constexpr UINT IDI_IDLE_FLASH_1 = 157;
constexpr UINT IDI_REDO_1 = 164;

// Port-button icons of the 8-port view.
constexpr UINT IDI_IDLE_CHIP_8 = 137;
constexpr UINT IDI_FAIL_8 = 140;
constexpr UINT IDI_SUCCESS_8 = 142;
constexpr UINT IDI_IDLE_FLASH_8 = 159;
constexpr UINT IDI_REDO_8 = 163;

// Port-button icons of the 16- and 32-port views.
constexpr UINT IDI_IDLE_CHIP_16 = 139;
constexpr UINT IDI_FAIL_16 = 141;
constexpr UINT IDI_SUCCESS_16 = 143;
constexpr UINT IDI_IDLE_FLASH_16 = 158;
constexpr UINT IDI_REDO_16 = 162;

// Strings.
constexpr UINT IDP_OLE_INIT_FAILED = 100;
constexpr UINT ID_INDICATOR_TOTAL = 0x65;
constexpr UINT ID_INDICATOR_PASS = 0x66;
constexpr UINT ID_INDICATOR_FAIL = 0x67;

// Commands.
constexpr UINT ID_DEVICE_NUMBER_32 = 32781;
constexpr UINT ID_DEVICE_NUMBER_16 = 32782;
constexpr UINT ID_DEVICE_NUMBER_8 = 32783;
constexpr UINT ID_DEVICE_NUMBER_4 = 32784;
constexpr UINT ID_FUNCTION_SETTING = 32786;
constexpr UINT ID_FUNCTION_ENUMERATE = 32793;
constexpr UINT ID_FUNCTION_DETAIL_VIEW = 32794;
constexpr UINT ID_FUNCTION_AUTO_RUN = 32795;
constexpr UINT ID_FUNCTION_RUN_STOP = 32796;
constexpr UINT ID_DEVICE_NUMBER_1 = 32798;
constexpr UINT ID_VIEW_TOOLBAR = 59392;
constexpr UINT ID_VIEW_STATUS_BAR = 59393;
constexpr UINT ID_APP_ABOUT = 57664;
// The framework's commands of the accelerator table.
constexpr UINT ID_FILE_NEW = 57600;
constexpr UINT ID_FILE_OPEN = 57601;
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_EDIT_UNDO = 57643;
constexpr UINT ID_NEXT_PANE = 57680;
constexpr UINT ID_PREV_PANE = 57681;

// The port views' templates.
constexpr UINT IDD_32_DEV_VIEW = 130;
constexpr UINT IDD_8_DEV_VIEW = 132;
constexpr UINT IDD_4_DEV_VIEW = 133;
constexpr UINT IDD_1_DEV_VIEW = 162;

// The 1-port template's empty static, which no operation uses.
constexpr UINT IDC_1_DEV_SPARE_STATIC = 1215;

// The 16-port view's template and its controls beside the port tiles.
constexpr UINT IDD_16_DEV_VIEW = 131;
constexpr UINT IDC_SERIAL_EDIT = 1192;
constexpr UINT IDC_SERIAL_LABEL = 1193;

// The About box (its icon is IDR_MAINFRAME's) and its two lines.
constexpr UINT IDD_ABOUTBOX = 100;
constexpr UINT IDC_ABOUT_VERSION = 1142;
constexpr UINT IDC_ABOUT_DRIVER = 1172;

} // namespace res
