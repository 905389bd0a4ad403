// Template 161 of the flash-drive settings page: the test procedure with its build
// options and the log file on the left; the mass-storage fields, the firmware and the
// boot-code files in the middle; the USB descriptor and the serial-number block on the right.
#include "resources/dialog_template.h"
#include "resources/ufd_setting_ids.h"

namespace res {
namespace {

using K = ControlKind;

constexpr DialogControl kControls[] = {
    // Left column.
    {IDC_UFD_GROUP_TEST_PROCEDURE, K::GroupBox, u"Test Procedure Filter", 5, 4, 172, 228},
    {IDC_UFD_BUILD_SYSTEM_DISABLE, K::CheckBox, u"Build System Table disable", 12, 16, 160, 10},
    {IDC_UFD_GROUP_BUILD_OPTION, K::GroupBox, u"Option", 12, 28, 158, 86},
    {IDC_UFD_FORCE_FIRST_BUILD, K::CheckBox, u"Force First Build", 20, 40, 144, 10},
    {IDC_UFD_CLEAR_SYSTEM_BLOCK, K::CheckBox, u"Clear System Block", 20, 51, 144, 10},
    {IDC_UFD_FORCE_SECOND_BUILD, K::CheckBox, u"Force Second Build", 20, 62, 144, 10},
    {IDC_UFD_SCAN_BLOCK_ONLY, K::CheckBox, u"Scan Block Only", 20, 73, 144, 10},
    {IDC_UFD_DUMP_MEMORY, K::CheckBox, u"Dump Memory", 20, 84, 144, 10},
    {IDC_STATIC, K::Label, u"Bit Error Rate:", 20, 99, 62, 9},
    {IDC_UFD_BIT_ERROR_RATE, K::DropList, u"", 84, 97, 40, 13},
    {IDC_UFD_FW_DOWNLOAD_DISABLE, K::CheckBox, u"FW Download disable", 12, 118, 160, 10},
    {IDC_UFD_CIS_DOWNLOAD_DISABLE, K::CheckBox, u"CIS Download disable", 12, 130, 160, 10},
    {IDC_UFD_FORMAT_DISABLE, K::CheckBox, u"Format Disable", 12, 142, 160, 10},
    {IDC_UFD_PUBLIC_LUN + 0, K::CheckBox, u"Public Lun", 24, 154, 72, 10},
    {IDC_UFD_PUBLIC_LUN + 1, K::CheckBox, u"Security Lun", 98, 154, 74, 10},
    {IDC_UFD_PUBLIC_LUN + 2, K::CheckBox, u"Iso9660 Lun", 24, 165, 72, 10},
    {IDC_UFD_PUBLIC_LUN + 3, K::CheckBox, u"Hidden Lun", 98, 165, 74, 10},
    {IDC_UFD_STRESS_TEST_DISABLE, K::CheckBox, u"Stress Test Disable", 12, 178, 160, 10},
    {IDC_UFD_DISPLAY_RW_RATE, K::CheckBox, u"Display R/W rate", 24, 190, 140, 10},
    {IDC_UFD_BOOT_CODE_DISABLE, K::CheckBox, u"BootCode Download disable", 12, 202, 160, 10},
    {IDC_STATIC, K::Label, u"Flash type:", 24, 216, 48, 9},
    {IDC_UFD_FLASH_TYPE, K::DropList, u"", 74, 214, 96, 13},

    {IDC_UFD_GROUP_LOG_FILE, K::GroupBox, u"Log file Indicate", 5, 236, 172, 34},
    {IDC_UFD_LOG_OPEN_FILE, K::PushButton, u"OpenFile", 12, 249, 46, 14},
    {IDC_UFD_LOG_FILE, K::Edit, u"", 62, 250, 108, 12},

    // Middle column.
    {IDC_UFD_GROUP_MASS_STORAGE, K::GroupBox, u"Mass Storage Setting", 182, 4, 186, 122},
    {IDC_STATIC, K::Label, u"InquiryVID:", 189, 18, 70, 9},
    {IDC_UFD_INQUIRY_VID, K::Edit, u"", 261, 16, 100, 12},
    {IDC_STATIC, K::Label, u"InquiryPID:", 189, 33, 70, 9},
    {IDC_UFD_INQUIRY_PID, K::Edit, u"", 261, 31, 100, 12},
    {IDC_UFD_SYS_START_LBA_LABEL, K::Label, u"System StartLBA:", 189, 48, 70, 9},
    {IDC_UFD_SYS_START_LBA, K::Edit, u"", 261, 46, 100, 12},
    {IDC_UFD_SYS_CAPACITY_LABEL, K::Label, u"System Capacity:", 189, 63, 70, 9},
    {IDC_UFD_SYS_CAPACITY, K::Edit, u"", 261, 61, 100, 12},
    {IDC_UFD_PASSWORD_LABEL, K::Label, u"Password:", 189, 78, 70, 9},
    {IDC_UFD_PASSWORD, K::Edit, u"", 261, 76, 100, 12},
    {IDC_STATIC, K::Label, u"LED_CTL0:", 189, 93, 70, 9},
    {IDC_UFD_LED_CTL0, K::Edit, u"", 261, 91, 44, 12},
    {IDC_STATIC, K::Label, u"LED_CTL1:", 189, 108, 70, 9},
    {IDC_UFD_LED_CTL1, K::Edit, u"", 261, 106, 44, 12},

    {IDC_UFD_GROUP_FIRMWARE_FILE, K::GroupBox, u"FW File Indicate", 182, 130, 186, 66},
    {IDC_UFD_FW_OPEN_FILE, K::PushButton, u"OpenFile", 189, 142, 46, 14},
    {IDC_UFD_FW_FILE, K::Edit, u"", 239, 143, 122, 12},
    {IDC_UFD_FW_BACKUP_FILE, K::Edit, u"", 189, 161, 150, 12},
    {IDC_UFD_FW_BACKUP_CHOOSE, K::PushButton, u"...", 343, 160, 18, 14},
    {IDC_UFD_BACKUP_FW, K::PushButton, u"BackupFW", 189, 177, 56, 14},

    {IDC_UFD_GROUP_BOOT_CODE_FILE, K::GroupBox, u"BootCode File Indicate", 182, 200, 186, 34},
    {IDC_UFD_BOOT_CODE_OPEN_FILE, K::PushButton, u"OpenFile", 189, 213, 46, 14},
    {IDC_UFD_BOOT_CODE_FILE, K::Edit, u"", 239, 214, 122, 12},

    // Right column.
    {IDC_UFD_GROUP_USB_DESCRIPTOR, K::GroupBox, u"USB Descriptor Setting", 373, 4, 186, 80},
    {IDC_UFD_PRODUCT_STRING_LABEL, K::Label, u"Product String:", 380, 15, 120, 9},
    {IDC_UFD_PRODUCT_STRING, K::Edit, u"", 380, 25, 172, 12},
    {IDC_UFD_MANUFACTURE_STRING_LABEL, K::Label, u"Manufacture String:", 380, 40, 120, 9},
    {IDC_UFD_MANUFACTURE_STRING, K::Edit, u"", 380, 50, 172, 12},
    {IDC_STATIC, K::Label, u"VID:", 380, 68, 20, 9},
    {IDC_UFD_USB_VID, K::Edit, u"", 402, 66, 62, 12},
    {IDC_STATIC, K::Label, u"PID:", 468, 68, 20, 9},
    {IDC_UFD_USB_PID, K::Edit, u"", 490, 66, 62, 12},

    {IDC_UFD_GROUP_SN_OPTION, K::GroupBox, u"SN Option", 373, 88, 186, 98},
    {IDC_UFD_SN_GENERATOR_LABEL, K::Label, u"SN Generater :", 380, 99, 120, 9},
    {IDC_UFD_SN_GENERATOR, K::DropList, u"", 380, 109, 172, 13},
    {IDC_UFD_SERIAL_NUMBER_LABEL, K::Label, u"Serial Number(Hex):", 380, 126, 120, 9},
    {IDC_UFD_SERIAL_NUMBER, K::Edit, u"", 380, 136, 100, 12},
    {IDC_UFD_DECIMAL_SN, K::CheckBox, u"Decimal SN", 484, 137, 70, 10},
    {IDC_UFD_SN_MASK_LABEL, K::Label, u"SN Mask:", 380, 153, 44, 9},
    {IDC_UFD_SN_MASK, K::Edit, u"", 426, 151, 126, 12},
    {IDC_UFD_SN_INTERVAL_LABEL, K::Label, u"Interval:", 380, 168, 44, 9},
    {IDC_UFD_SN_INTERVAL, K::Edit, u"", 426, 166, 34, 12},
};

} // namespace

extern const DialogTemplate kUfdSettingTemplate{IDD_UFD_SETTING, 564, 274, kControls};

} // namespace res
