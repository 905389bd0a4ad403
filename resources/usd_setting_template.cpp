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
    {IDC_GROUP_TEST_PROCEDURE, K::GroupBox, u"Test Procedure Filter", 5, 4, 172, 164},
    {IDC_FW_DOWNLOAD_DISABLE, K::CheckBox, u"FW Download disable", 12, 16, 160, 10},
    {IDC_STATIC, K::Label, u"Flash type:", 24, 30, 48, 9},
    {IDC_FLASH_TYPE, K::DropList, u"", 74, 28, 96, 13},
    {IDC_CIS_DOWNLOAD_DISABLE, K::CheckBox, u"CIS Download disable", 12, 45, 160, 10},
    {IDC_MEDIA_EEPROM, K::CheckBox, u"EEPROM", 24, 57, 140, 10},
    {IDC_MEDIA_EXTERNAL_FLASH, K::CheckBox, u"External Flash", 24, 68, 140, 10},
    {IDC_MEDIA_HARD_DISK, K::CheckBox, u"Hard Disk", 24, 79, 140, 10},
    {IDC_FORMAT_DISABLE, K::CheckBox, u"Format Disable", 12, 92, 160, 10},
    {IDC_PUBLIC_LUN + 0, K::CheckBox, u"Public Lun", 24, 104, 72, 10},
    {IDC_PUBLIC_LUN + 1, K::CheckBox, u"Security Lun", 98, 104, 74, 10},
    {IDC_PUBLIC_LUN + 2, K::CheckBox, u"Iso9660 Lun", 24, 115, 72, 10},
    {IDC_PUBLIC_LUN + 3, K::CheckBox, u"Hidden Lun", 98, 115, 74, 10},
    {IDC_STRESS_TEST_DISABLE, K::CheckBox, u"Stress Test Disable", 12, 128, 160, 10},
    {IDC_DISPLAY_RW_RATE, K::CheckBox, u"Display R/W rate", 24, 140, 140, 10},
    {IDC_STATIC, K::Label, u"Test data size:", 24, 154, 62, 9},
    {IDC_TEST_DATA_SIZE, K::Edit, u"", 88, 152, 44, 12},
    {IDC_STATIC, K::Label, u"(MB)", 136, 154, 24, 9},

    {IDC_GROUP_LOG_FILE, K::GroupBox, u"Log file Indicate", 5, 172, 172, 34},
    {IDC_LOG_OPEN_FILE, K::PushButton, u"OpenFile", 12, 185, 46, 14},
    {IDC_LOG_FILE, K::Edit, u"", 62, 186, 108, 12},

    {IDC_STATIC, K::GroupBox, u"Others", 5, 210, 172, 62},
    {IDC_DISABLE_FILTER_DRIVER, K::CheckBox, u"Disable filter driver", 12, 222, 160, 10},
    {IDC_AUTO_RUN, K::CheckBox, u"AutoRun", 12, 234, 160, 10},
    {IDC_SAVE_SETTING, K::PushButton, u"Save Setting", 12, 250, 64, 14},

    // Middle column.
    {IDC_GROUP_MASS_STORAGE, K::GroupBox, u"Mass Storage Setting", 182, 4, 186, 238},
    {IDC_STATIC, K::Label, u"InquiryVID:", 189, 18, 70, 9},
    {IDC_INQUIRY_VID, K::Edit, u"", 261, 16, 100, 12},
    {IDC_STATIC, K::Label, u"InquiryPID:", 189, 33, 70, 9},
    {IDC_INQUIRY_PID, K::Edit, u"", 261, 31, 100, 12},
    {IDC_SYS_START_LBA_LABEL, K::Label, u"System StartLBA:", 189, 48, 70, 9},
    {IDC_SYS_START_LBA, K::Edit, u"", 261, 46, 100, 12},
    {IDC_SYS_CAPACITY_LABEL, K::Label, u"System Capacity:", 189, 63, 70, 9},
    {IDC_SYS_CAPACITY, K::Edit, u"", 261, 61, 100, 12},
    {IDC_PASSWORD_LABEL, K::Label, u"Password:", 189, 78, 70, 9},
    {IDC_PASSWORD, K::Edit, u"", 261, 76, 100, 12},
    {IDC_HDD_POWER_CONTROL, K::CheckBox, u"Enable HDD Power Control", 189, 92, 172, 10},
    {IDC_HD_CAPACITY_DISPLAY, K::CheckBox, u" HD capacity used/free display", 189, 104, 172, 10},
    {IDC_MAX_LUN_LABEL, K::Label, u"MaxLun:", 189, 120, 70, 9},
    {IDC_MAX_LUN, K::Edit, u"", 261, 118, 34, 12},
    {IDC_LUN_SELECT_LABEL, K::Label, u"Lun Select:", 189, 135, 70, 9},
    {IDC_LUN_SELECT, K::DropList, u"", 261, 133, 44, 13},
    {IDC_LUN_START_LBA_LABEL, K::Label, u"LunStartLBA:", 189, 150, 70, 9},
    {IDC_LUN_START_LBA, K::Edit, u"", 261, 148, 100, 12},
    {IDC_LUN_CAPACITY_LABEL, K::Label, u"LunCapacity:", 189, 165, 70, 9},
    {IDC_LUN_CAPACITY, K::Edit, u"", 261, 163, 100, 12},
    {IDC_LUN_ATTRIBUTE_LABEL, K::Label, u"LunAttribute:", 189, 180, 70, 9},
    {IDC_LUN_ATTRIBUTE, K::Edit, u"", 261, 178, 44, 12},
    {IDC_LUN_TYPE_LABEL, K::Label, u"LunType:", 189, 195, 70, 9},
    {IDC_LUN_TYPE, K::Edit, u"", 261, 193, 44, 12},
    {IDC_STATIC, K::Label, u"LED_CTL0:", 189, 210, 70, 9},
    {IDC_LED_CTL0, K::Edit, u"", 261, 208, 44, 12},
    {IDC_STATIC, K::Label, u"LED_CTL1:", 189, 225, 70, 9},
    {IDC_LED_CTL1, K::Edit, u"", 261, 223, 44, 12},

    {IDC_GROUP_HUB_FIRMWARE, K::GroupBox, u"Hub Firmware Setting", 182, 246, 186, 46},
    {IDC_HUB_FW_OPEN_FILE, K::PushButton, u"OpenFile", 189, 258, 46, 14},
    {IDC_HUB_FW_FILE, K::Edit, u"", 239, 259, 122, 12},
    {IDC_HUB_FW_DOWNLOAD, K::CheckBox, u"Enable Hub FW Download (RZ522 Only)", 189, 276, 176, 10},

    // Right column.
    {IDC_GROUP_USB_DESCRIPTOR, K::GroupBox, u"USB Descriptor Setting", 373, 4, 186, 80},
    {IDC_PRODUCT_STRING_LABEL, K::Label, u"Product String:", 380, 15, 120, 9},
    {IDC_PRODUCT_STRING, K::Edit, u"", 380, 25, 172, 12},
    {IDC_MANUFACTURE_STRING_LABEL, K::Label, u"Manufacture String:", 380, 40, 120, 9},
    {IDC_MANUFACTURE_STRING, K::Edit, u"", 380, 50, 172, 12},
    {IDC_STATIC, K::Label, u"VID:", 380, 68, 20, 9},
    {IDC_USB_VID, K::Edit, u"", 402, 66, 62, 12},
    {IDC_STATIC, K::Label, u"PID:", 468, 68, 20, 9},
    {IDC_USB_PID, K::Edit, u"", 490, 66, 62, 12},

    {IDC_GROUP_SN_OPTION, K::GroupBox, u"SN Option", 373, 88, 186, 112},
    {IDC_SN_GENERATOR_LABEL, K::Label, u"SN Generator :", 380, 99, 120, 9},
    {IDC_SN_GENERATOR, K::DropList, u"", 380, 109, 172, 13},
    {IDC_SERIAL_NUMBER_LABEL, K::Label, u"Serial Number(Hex):", 380, 126, 120, 9},
    {IDC_SERIAL_NUMBER, K::Edit, u"", 380, 136, 100, 12},
    {IDC_DECIMAL_SN, K::CheckBox, u"Decimal SN", 484, 137, 70, 10},
    {IDC_SN_MASK_LABEL, K::Label, u"SN Mask:", 380, 153, 44, 9},
    {IDC_SN_MASK, K::Edit, u"", 426, 151, 126, 12},
    {IDC_SN_INTERVAL_LABEL, K::Label, u"Interval:", 380, 168, 44, 9},
    {IDC_SN_INTERVAL, K::Edit, u"", 426, 166, 34, 12},
    {IDC_SN_LENGTH_LABEL, K::Label, u"Length:", 380, 183, 44, 9},
    {IDC_SN_LENGTH, K::Edit, u"", 426, 181, 34, 12},
    {IDC_SN_LENGTH_OK, K::PushButton, u"OK", 464, 180, 34, 14},

    {IDC_GROUP_FIRMWARE_FILE, K::GroupBox, u"Firmware File Setting", 373, 204, 186, 88},
    {IDC_FW_OPEN_FILE, K::PushButton, u"OpenFile", 380, 216, 46, 14},
    {IDC_FW_FILE, K::Edit, u"", 430, 217, 122, 12},
    {IDC_CURRENT_FW_VERSION_LABEL, K::Label, u"Current Firmware version:", 380, 234, 106, 9},
    {IDC_CURRENT_FW_VERSION, K::Label, u"ver0", 488, 234, 66, 9},
    {IDC_BIN_FW_VERSION_LABEL, K::Label, u"Bin file firmware version:", 380, 245, 106, 9},
    {IDC_BIN_FW_VERSION, K::Label, u"ver1", 488, 245, 66, 9},
    {IDC_FW_BACKUP_FILE, K::Edit, u"", 380, 258, 150, 12},
    {IDC_FW_BACKUP_CHOOSE, K::PushButton, u"...", 534, 257, 18, 14},
    {IDC_BACKUP_FW, K::PushButton, u"BackupFW", 380, 274, 56, 14},
};

} // namespace

extern const DialogTemplate kUsdSettingTemplate{IDD_USD_SETTING, 564, 296, kControls};

} // namespace res
