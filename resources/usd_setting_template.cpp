// Template 144 of the chip-mode settings page: the test procedure, the log file and the
// station switches on the left; the mass-storage fields and the hub firmware in the
// middle; the USB descriptor, the serial-number block and the firmware files on the right.
#include "resources/dialog_template.h"
#include "resources/usd_setting_ids.h"

namespace res {
namespace {

using K = ControlKind;

constexpr DialogControl kControls[] = {
    // Left column.
    {IDC_GROUP_TEST_PROCEDURE, K::GroupBox, u"Test Procedure Filter", 5, 4, 152, 164},
    {IDC_FW_DOWNLOAD_DISABLE, K::CheckBox, u"FW Download disable", 12, 16, 140, 10},
    {IDC_STATIC, K::Label, u"Flash type:", 24, 30, 40, 9},
    {IDC_FLASH_TYPE, K::DropList, u"", 66, 28, 84, 13},
    {IDC_CIS_DOWNLOAD_DISABLE, K::CheckBox, u"CIS Download disable", 12, 45, 140, 10},
    {IDC_MEDIA_EEPROM, K::CheckBox, u"EEPROM", 24, 57, 120, 10},
    {IDC_MEDIA_EXTERNAL_FLASH, K::CheckBox, u"External Flash", 24, 68, 120, 10},
    {IDC_MEDIA_HARD_DISK, K::CheckBox, u"Hard Disk", 24, 79, 120, 10},
    {IDC_FORMAT_DISABLE, K::CheckBox, u"Format Disable", 12, 92, 140, 10},
    {IDC_PUBLIC_LUN + 0, K::CheckBox, u"Public Lun", 24, 104, 62, 10},
    {IDC_PUBLIC_LUN + 1, K::CheckBox, u"Security Lun", 88, 104, 66, 10},
    {IDC_PUBLIC_LUN + 2, K::CheckBox, u"Iso9660 Lun", 24, 115, 62, 10},
    {IDC_PUBLIC_LUN + 3, K::CheckBox, u"Hidden Lun", 88, 115, 66, 10},
    {IDC_STRESS_TEST_DISABLE, K::CheckBox, u"Stress Test Disable", 12, 128, 140, 10},
    {IDC_DISPLAY_RW_RATE, K::CheckBox, u"Display R/W rate", 24, 140, 120, 10},
    {IDC_STATIC, K::Label, u"Test data size:", 24, 154, 54, 9},
    {IDC_TEST_DATA_SIZE, K::Edit, u"", 80, 152, 40, 12},
    {IDC_STATIC, K::Label, u"(MB)", 124, 154, 24, 9},

    {IDC_GROUP_LOG_FILE, K::GroupBox, u"Log file Indicate", 5, 172, 152, 34},
    {IDC_LOG_OPEN_FILE, K::PushButton, u"OpenFile", 12, 185, 42, 14},
    {IDC_LOG_FILE, K::Edit, u"", 58, 186, 92, 12},

    {IDC_STATIC, K::GroupBox, u"Others", 5, 210, 152, 62},
    {IDC_DISABLE_FILTER_DRIVER, K::CheckBox, u"Disable filter driver", 12, 222, 140, 10},
    {IDC_AUTO_RUN, K::CheckBox, u"AutoRun", 12, 234, 140, 10},
    {IDC_SAVE_SETTING, K::PushButton, u"Save Setting", 12, 250, 60, 14},

    // Middle column.
    {IDC_GROUP_MASS_STORAGE, K::GroupBox, u"Mass Storage Setting", 162, 4, 156, 238},
    {IDC_STATIC, K::Label, u"InquiryVID:", 169, 18, 54, 9},
    {IDC_INQUIRY_VID, K::Edit, u"", 225, 16, 86, 12},
    {IDC_STATIC, K::Label, u"InquiryPID:", 169, 33, 54, 9},
    {IDC_INQUIRY_PID, K::Edit, u"", 225, 31, 86, 12},
    {IDC_SYS_START_LBA_LABEL, K::Label, u"System StartLBA:", 169, 48, 54, 9},
    {IDC_SYS_START_LBA, K::Edit, u"", 225, 46, 86, 12},
    {IDC_SYS_CAPACITY_LABEL, K::Label, u"System Capacity:", 169, 63, 54, 9},
    {IDC_SYS_CAPACITY, K::Edit, u"", 225, 61, 86, 12},
    {IDC_PASSWORD_LABEL, K::Label, u"Password:", 169, 78, 54, 9},
    {IDC_PASSWORD, K::Edit, u"", 225, 76, 86, 12},
    {IDC_HDD_POWER_CONTROL, K::CheckBox, u"Enable HDD Power Control", 169, 92, 142, 10},
    {IDC_HD_CAPACITY_DISPLAY, K::CheckBox, u" HD capacity used/free display", 169, 104, 142, 10},
    {IDC_MAX_LUN_LABEL, K::Label, u"MaxLun:", 169, 120, 54, 9},
    {IDC_MAX_LUN, K::Edit, u"", 225, 118, 30, 12},
    {IDC_LUN_SELECT_LABEL, K::Label, u"Lun Select:", 169, 135, 54, 9},
    {IDC_LUN_SELECT, K::DropList, u"", 225, 133, 40, 13},
    {IDC_LUN_START_LBA_LABEL, K::Label, u"LunStartLBA:", 169, 150, 54, 9},
    {IDC_LUN_START_LBA, K::Edit, u"", 225, 148, 86, 12},
    {IDC_LUN_CAPACITY_LABEL, K::Label, u"LunCapacity:", 169, 165, 54, 9},
    {IDC_LUN_CAPACITY, K::Edit, u"", 225, 163, 86, 12},
    {IDC_LUN_ATTRIBUTE_LABEL, K::Label, u"LunAttribute:", 169, 180, 54, 9},
    {IDC_LUN_ATTRIBUTE, K::Edit, u"", 225, 178, 40, 12},
    {IDC_LUN_TYPE_LABEL, K::Label, u"LunType:", 169, 195, 54, 9},
    {IDC_LUN_TYPE, K::Edit, u"", 225, 193, 40, 12},
    {IDC_STATIC, K::Label, u"LED_CTL0:", 169, 210, 54, 9},
    {IDC_LED_CTL0, K::Edit, u"", 225, 208, 40, 12},
    {IDC_STATIC, K::Label, u"LED_CTL1:", 169, 225, 54, 9},
    {IDC_LED_CTL1, K::Edit, u"", 225, 223, 40, 12},

    {IDC_GROUP_HUB_FIRMWARE, K::GroupBox, u"Hub Firmware Setting", 162, 246, 156, 46},
    {IDC_HUB_FW_OPEN_FILE, K::PushButton, u"OpenFile", 169, 258, 42, 14},
    {IDC_HUB_FW_FILE, K::Edit, u"", 215, 259, 96, 12},
    {IDC_HUB_FW_DOWNLOAD, K::CheckBox, u"Enable Hub FW Download (RZ522 Only)", 169, 276, 146, 10},

    // Right column.
    {IDC_GROUP_USB_DESCRIPTOR, K::GroupBox, u"USB Descriptor Setting", 323, 4, 156, 80},
    {IDC_PRODUCT_STRING_LABEL, K::Label, u"Product String:", 330, 15, 100, 9},
    {IDC_PRODUCT_STRING, K::Edit, u"", 330, 25, 142, 12},
    {IDC_MANUFACTURE_STRING_LABEL, K::Label, u"Manufacture String:", 330, 40, 100, 9},
    {IDC_MANUFACTURE_STRING, K::Edit, u"", 330, 50, 142, 12},
    {IDC_STATIC, K::Label, u"VID:", 330, 68, 18, 9},
    {IDC_USB_VID, K::Edit, u"", 349, 66, 48, 12},
    {IDC_STATIC, K::Label, u"PID:", 404, 68, 18, 9},
    {IDC_USB_PID, K::Edit, u"", 424, 66, 48, 12},

    {IDC_GROUP_SN_OPTION, K::GroupBox, u"SN Option", 323, 88, 156, 112},
    {IDC_SN_GENERATOR_LABEL, K::Label, u"SN Generator :", 330, 99, 100, 9},
    {IDC_SN_GENERATOR, K::DropList, u"", 330, 109, 142, 13},
    {IDC_SERIAL_NUMBER_LABEL, K::Label, u"Serial Number(Hex):", 330, 126, 100, 9},
    {IDC_SERIAL_NUMBER, K::Edit, u"", 330, 136, 90, 12},
    {IDC_DECIMAL_SN, K::CheckBox, u"Decimal SN", 424, 137, 50, 10},
    {IDC_SN_MASK_LABEL, K::Label, u"SN Mask:", 330, 153, 40, 9},
    {IDC_SN_MASK, K::Edit, u"", 372, 151, 100, 12},
    {IDC_SN_INTERVAL_LABEL, K::Label, u"Interval:", 330, 168, 40, 9},
    {IDC_SN_INTERVAL, K::Edit, u"", 372, 166, 30, 12},
    {IDC_SN_LENGTH_LABEL, K::Label, u"Length:", 330, 183, 40, 9},
    {IDC_SN_LENGTH, K::Edit, u"", 372, 181, 30, 12},
    {IDC_SN_LENGTH_OK, K::PushButton, u"OK", 406, 180, 30, 14},

    {IDC_GROUP_FIRMWARE_FILE, K::GroupBox, u"Firmware File Setting", 323, 204, 156, 88},
    {IDC_FW_OPEN_FILE, K::PushButton, u"OpenFile", 330, 216, 42, 14},
    {IDC_FW_FILE, K::Edit, u"", 376, 217, 96, 12},
    {IDC_CURRENT_FW_VERSION_LABEL, K::Label, u"Current Firmware version:", 330, 234, 100, 9},
    {IDC_CURRENT_FW_VERSION, K::Label, u"ver0", 432, 234, 42, 9},
    {IDC_BIN_FW_VERSION_LABEL, K::Label, u"Bin file firmware version:", 330, 245, 100, 9},
    {IDC_BIN_FW_VERSION, K::Label, u"ver1", 432, 245, 42, 9},
    {IDC_FW_BACKUP_FILE, K::Edit, u"", 330, 258, 120, 12},
    {IDC_FW_BACKUP_CHOOSE, K::PushButton, u"...", 454, 257, 18, 14},
    {IDC_BACKUP_FW, K::PushButton, u"BackupFW", 330, 274, 50, 14},
};

} // namespace

extern const DialogTemplate kUsdSettingTemplate{IDD_USD_SETTING, 484, 296, kControls};

} // namespace res
