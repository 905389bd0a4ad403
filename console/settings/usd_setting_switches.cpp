// The chip-mode page's switch boxes, the flash-type list, the test-size edit and the
// LUN block.
#include "console/settings/usd_setting_page.h"

#include "console/filter_driver.h"
#include "console/main_frame.h"
#include "console/settings/exchange_numbers.h"
#include "console/settings/page_switches.h"
#include "engine/ini/hex_text.h"
#include "platform/msgbox/msgbox.h"
#include "platform/text/text.h"
#include "resources/usd_setting_ids.h"

#include <QComboBox>

#include <algorithm>

using namespace res;

void CUSDSettingPageDlg::OnFwDownloadDisable()
{
    CISSetting& setting = frame_.CisSetting;
    const bool checked = IsChecked(IDC_FW_DOWNLOAD_DISABLE);
    setting.TestProcedureMask = WithBit(setting.TestProcedureMask, 0x1, checked);
    EnableItems({IDC_FLASH_TYPE}, !checked);
    if ((frame_.FabrunMode & kFabrunModeCisSwitchFree) != 0)
        return;
    // Without the independent CIS switch the firmware switch carries it along.
    setting.TestProcedureMask = WithBit(setting.TestProcedureMask, 0x2, checked);
    SetCheck(IDC_CIS_DOWNLOAD_DISABLE, checked);
    EnableItems({IDC_MEDIA_EEPROM, IDC_MEDIA_EXTERNAL_FLASH, IDC_MEDIA_HARD_DISK}, false);
    EnableItems({IDC_PRODUCT_STRING, IDC_MANUFACTURE_STRING, IDC_USB_VID, IDC_USB_PID, IDC_INQUIRY_VID, IDC_INQUIRY_PID,
                 IDC_PASSWORD, IDC_LED_CTL0, IDC_LED_CTL1, IDC_SN_GENERATOR, IDC_SERIAL_NUMBER, IDC_SN_LENGTH, IDC_SN_MASK,
                 IDC_SN_INTERVAL, IDC_DECIMAL_SN, IDC_HDD_POWER_CONTROL, IDC_HD_CAPACITY_DISPLAY},
                !checked);
}

void CUSDSettingPageDlg::OnCisDownloadDisable()
{
    const bool checked = IsChecked(IDC_CIS_DOWNLOAD_DISABLE);
    frame_.CisSetting.TestProcedureMask = WithBit(frame_.CisSetting.TestProcedureMask, 0x2, checked);
    EnableItems({IDC_MEDIA_EEPROM, IDC_MEDIA_EXTERNAL_FLASH, IDC_MEDIA_HARD_DISK, IDC_PRODUCT_STRING,
                 IDC_MANUFACTURE_STRING, IDC_USB_VID, IDC_USB_PID, IDC_INQUIRY_VID, IDC_INQUIRY_PID, IDC_PASSWORD,
                 IDC_LED_CTL0, IDC_LED_CTL1, IDC_SN_GENERATOR, IDC_SERIAL_NUMBER, IDC_SN_LENGTH, IDC_SN_LENGTH_OK,
                 IDC_SN_MASK, IDC_SN_INTERVAL, IDC_DECIMAL_SN, IDC_HDD_POWER_CONTROL, IDC_HD_CAPACITY_DISPLAY},
                !checked);
}

void CUSDSettingPageDlg::OnFormatDisable()
{
    frame_.CisSetting.TestProcedureMask = WithBit(frame_.CisSetting.TestProcedureMask, 0x4, IsChecked(IDC_FORMAT_DISABLE));
    ShowLunFormatBoxes(*this, IsChecked(IDC_FORMAT_DISABLE));
}

// Clearing the rate box's mark leaves the record's rate bit as it is.
void CUSDSettingPageDlg::OnStressTestDisable()
{
    const bool checked = IsChecked(IDC_STRESS_TEST_DISABLE);
    frame_.CisSetting.TestProcedureMask = WithBit(frame_.CisSetting.TestProcedureMask, 0x8, checked);
    if (checked)
        SetCheck(IDC_DISPLAY_RW_RATE, false);
    EnableItems({IDC_DISPLAY_RW_RATE, IDC_TEST_DATA_SIZE}, !checked);
}

void CUSDSettingPageDlg::OnMedia(UINT id, INT media)
{
    const bool checked = IsChecked(id);
    frame_.CisSetting.TargetStoreMedia = checked ? media : 0;
    for (UINT other : {IDC_MEDIA_EEPROM, IDC_MEDIA_EXTERNAL_FLASH, IDC_MEDIA_HARD_DISK})
        if (other != id)
            SetCheck(other, false);
}

// The installer runs only when the box changes the installed state, so that two clicks
// never run it twice in a row with the same argument.
void CUSDSettingPageDlg::OnFilterDriver()
{
    const bool disable = IsChecked(IDC_DISABLE_FILTER_DRIVER);
    frame_.CisSetting.DisableFilterDrv = disable ? 1 : 0;
    const std::u16string programFolder = frame_.ProgramDrive + frame_.ProgramFolder;
    if (disable && frame_.FilterInstalled == 1) {
        if (StartFilterInstaller(programFolder, false))
            frame_.FilterInstalled = 0;
    } else if (!disable && frame_.FilterInstalled == 0) {
        if (StartFilterInstaller(programFolder, true))
            frame_.FilterInstalled = 1;
    }
}

void CUSDSettingPageDlg::OnAutoRun()
{
    const bool checked = IsChecked(IDC_AUTO_RUN);
    frame_.CisSetting.AutoRunEnable = checked ? 1 : 0;
    frame_.FabrunMode = WithBit(frame_.FabrunMode, kFabrunModeAutoRunActive, checked);
}

void CUSDSettingPageDlg::OnTestDataSizeChanged()
{
    if (auto size = ExchangeUnsigned(ItemText(IDC_TEST_DATA_SIZE)))
        frame_.CisSetting.StressTestSize = *size;
    else
        ShowExchangeFailure(u"Enter a positive integer.");
}

void CUSDSettingPageDlg::ShowMaxLun()
{
    // The edit's handler stores the value and fills the LUN list.
    SetItemText(IDC_MAX_LUN, platform::FormatWide("%d", frame_.CisSetting.CISImage.bytes[cis::kUsbMaxLun]));
}

void CUSDSettingPageDlg::OnMaxLunChanged()
{
    auto maxLun = ExchangeByte(ItemText(IDC_MAX_LUN));
    if (!maxLun) {
        ShowExchangeFailure(u"Enter an integer between 0 and 255.");
        return;
    }
    frame_.CisSetting.CISImage.bytes[cis::kUsbMaxLun] = *maxLun;
    FillLunList();
}

// The list offers the LUNs the image has room for (0 to 3), however large MaxLun is.
void CUSDSettingPageDlg::FillLunList()
{
    const BYTE maxLun = frame_.CisSetting.CISImage.bytes[cis::kUsbMaxLun];
    QComboBox& list = List(IDC_LUN_SELECT);
    if (maxLun != 0) {
        list.setEnabled(true);
        list.clear();
        const int last = std::min<int>(maxLun, cis::kLunCount - 1);
        for (int lun = 0; lun <= last; ++lun)
            list.addItem(QString::number(lun));
        list.setCurrentIndex(0);
    } else {
        list.setEnabled(false);
    }
    ShowLun();
}

int CUSDSettingPageDlg::LunShown() const
{
    if (frame_.CisSetting.CISImage.bytes[cis::kUsbMaxLun] == 0)
        return 0;
    return std::clamp(List(IDC_LUN_SELECT).currentIndex(), 0, static_cast<int>(cis::kLunCount) - 1);
}

void CUSDSettingPageDlg::ShowLun()
{
    const CISImage& image = frame_.CisSetting.CISImage;
    const std::size_t lun = static_cast<std::size_t>(LunShown());
    SetItemText(IDC_LUN_START_LBA, platform::FormatWide("0x%08X", static_cast<unsigned>(image.Dword(cis::kLunStartLba + 4 * lun))));
    SetItemText(IDC_LUN_CAPACITY, platform::FormatWide("0x%08X", static_cast<unsigned>(image.Dword(cis::kLunCapacity + 4 * lun))));
    SetItemText(IDC_LUN_ATTRIBUTE, platform::FormatWide("0x%02X", image.bytes[cis::kLunAttribute + lun]));
    SetItemText(IDC_LUN_TYPE, platform::FormatWide("0x%02X", image.bytes[cis::kLunType + lun]));
}

void CUSDSettingPageDlg::OnLunFieldChanged(UINT id)
{
    CISImage& image = frame_.CisSetting.CISImage;
    const std::size_t lun = static_cast<std::size_t>(LunShown());
    const std::u16string text = ItemText(id);
    const ULONGLONG value = HexTextToUInt64(text, text.size(), 2);
    if (id == IDC_LUN_START_LBA)
        image.SetDword(cis::kLunStartLba + 4 * lun, static_cast<DWORD>(value));
    else if (id == IDC_LUN_CAPACITY)
        image.SetDword(cis::kLunCapacity + 4 * lun, static_cast<DWORD>(value));
    else if (id == IDC_LUN_ATTRIBUTE)
        image.bytes[cis::kLunAttribute + lun] = static_cast<BYTE>(value);
    else
        image.bytes[cis::kLunType + lun] = static_cast<BYTE>(value);
}
