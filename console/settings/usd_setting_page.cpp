// The chip-mode page's construction, captions and fill.
#include "console/settings/usd_setting_page.h"

#include "console/main_frame.h"
#include "console/settings/field_edits.h"
#include "console/settings/firmware_file_version.h"
#include "console/settings/page_switches.h"
#include "console/settings/setting_file_choosers.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/text/text.h"
#include "resources/usd_setting_ids.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

using namespace res;

namespace {

constexpr UINT kGroupCaptions[] = {IDC_GROUP_TEST_PROCEDURE, IDC_GROUP_MASS_STORAGE, IDC_GROUP_USB_DESCRIPTOR,
                                   IDC_GROUP_SN_OPTION,      IDC_GROUP_LOG_FILE,     IDC_GROUP_FIRMWARE_FILE};

constexpr CaptionItem kCaptionsBeforeSerial[] = {
    {IDC_FW_DOWNLOAD_DISABLE, u"FWDownloadDisable", u"FW Download Disable"},
    {IDC_CIS_DOWNLOAD_DISABLE, u"CISDownloadDisable", u"VID/PID Download Disable"},
    {IDC_MEDIA_EXTERNAL_FLASH, u"ExternalFlash", u"External Flash"},
    {IDC_MEDIA_HARD_DISK, u"HardDisk", u"Hard Disk"},
    {IDC_FORMAT_DISABLE, u"FormatDisable", u"Format Disable"},
    {IDC_STRESS_TEST_DISABLE, u"StressTestDisable", u"Stress Test Disable"},
    {IDC_PRODUCT_STRING_LABEL, u"ProductString", u"Product String:"},
    {IDC_MANUFACTURE_STRING_LABEL, u"ManufactureString", u"Manufacture String:"},
    {IDC_FW_OPEN_FILE, u"OpenFile", u"Open File"},
    {IDC_BACKUP_FW, u"BackupFW", u"Backup FW"},
    {IDC_CURRENT_FW_VERSION_LABEL, u"CurrentFWVersion", u"Current Firmware version:"},
    {IDC_BIN_FW_VERSION_LABEL, u"BinFileFWVersion", u"Bin file firmware version:"},
    {IDC_LOG_OPEN_FILE, u"OpenFile", u"Open File"},
    {IDC_PASSWORD_LABEL, u"Password", u"Password:"},
    {IDC_MAX_LUN_LABEL, u"MaxLun", u"MaxLun:"},
    {IDC_LUN_SELECT_LABEL, u"LunSelect", u"LunSelect:"},
    {IDC_LUN_START_LBA_LABEL, u"LunStartLBA", u"LunStartLBA:"},
    {IDC_LUN_CAPACITY_LABEL, u"LunCapacity", u"LunCapacity:"},
    {IDC_LUN_ATTRIBUTE_LABEL, u"LunAttribute", u"LunAttribute:"},
    {IDC_LUN_TYPE_LABEL, u"LunType", u"LunType:"},
    {IDC_SN_GENERATOR_LABEL, u"SNGenerator", u"SN Generator:"},
};

constexpr CaptionItem kCaptionsAfterSerial[] = {
    {IDC_SN_LENGTH_LABEL, u"Length", u"Length:"},
    {IDC_SN_LENGTH_OK, u"OK", u"OK"},
    {IDC_SN_MASK_LABEL, u"SNMask", u"SN Mask:"},
    {IDC_SN_INTERVAL_LABEL, u"Interval", u"Interval:"},
    {IDC_DECIMAL_SN, u"DecimalSN", u"DecimalSN:"},
};

constexpr LunTypeBox kLunTypeBoxes[] = {
    {IDC_HDD_POWER_CONTROL, 24}, {IDC_DISPLAY_RW_RATE, 21}, {IDC_HD_CAPACITY_DISPLAY, 20}};

std::u16string Hex8(DWORD value)
{
    return platform::FormatWide("0x%08X", static_cast<unsigned>(value));
}

std::u16string Hex2(BYTE value)
{
    return platform::FormatWide("0x%02X", value);
}

} // namespace

CUSDSettingPageDlg::CUSDSettingPageDlg(CMainFrame& frame, QWidget* parent)
    : CSettingPage(frame, *FindDialogTemplate(IDD_USD_SETTING), parent), serial_(*this)
{
    ConnectHandlers();
}

CUSDSettingPageDlg::~CUSDSettingPageDlg() = default;

void CUSDSettingPageDlg::OnInitDialog()
{
    LoadBasicSettingTexts();
    ExchangeBasicSettings();
    for (UINT id : {IDC_MAX_LUN, IDC_LUN_START_LBA, IDC_LUN_CAPACITY, IDC_LUN_ATTRIBUTE, IDC_LUN_TYPE})
        Edit(id).setReadOnly(true);
    if ((frame_.FabrunMode & kFabrunModeProgramFolder) != 0)
        for (UINT id : {IDC_SYS_START_LBA, IDC_SYS_START_LBA_LABEL, IDC_SYS_CAPACITY, IDC_SYS_CAPACITY_LABEL})
            Item(id)->hide();
}

void CUSDSettingPageDlg::DoDataExchange()
{
    ExchangeBasicSettings();
}

void CUSDSettingPageDlg::LoadBasicSettingTexts()
{
    ReadLanguageSection();
    serial_.FillGeneratorList();
    FillFlashTypeList(*this, IDC_FLASH_TYPE);
    SelectFlashType(*this, IDC_FLASH_TYPE);
    for (std::size_t n = 0; n < std::size(kGroupCaptions); ++n)
        SetCaption(kGroupCaptions[n], platform::FormatWide("SetDlgStatic%zu", n), u"");
    SetCaptions(kCaptionsBeforeSerial);
    serial_.SetSerialLabel();
    SetCaptions(kCaptionsAfterSerial);
}

void CUSDSettingPageDlg::ExchangeBasicSettings()
{
    CISSetting& setting = frame_.CisSetting;
    // A fill shows the record afresh: what an earlier fill greyed comes back first.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(true);
    ShowTestProcedure();
    ShowBinFileVersion();
    ShowFirmwareVersions();
    SetItemText(IDC_FW_FILE, setting.FilePathOfFW.str());
    SetItemText(IDC_FW_BACKUP_FILE, setting.FilePathOfFWBackup.str());
    SetItemText(IDC_LOG_FILE, setting.LogFilePath.str());
    SetItemText(IDC_USB_VID, setting.USB_VID.str());
    SetItemText(IDC_USB_PID, setting.USB_PID.str());
    SetItemText(IDC_SN_LENGTH, platform::FormatWide("%d", setting.SerialNumberY));
    serial_.Update();
    SetItemText(IDC_INQUIRY_VID, setting.Inquiry_VID.str());
    SetItemText(IDC_INQUIRY_PID, setting.Inquiry_PID.str());
    SetItemText(IDC_PRODUCT_STRING, setting.ProductStr.str());
    SetItemText(IDC_MANUFACTURE_STRING, setting.ManufactureStr.str());
    SetItemText(IDC_PASSWORD, setting.PassWordStr.str());
    ShowMaxLun();
    SetItemText(IDC_SYS_START_LBA, Hex8(setting.CISImage.Dword(cis::kSysStartLba)));
    SetItemText(IDC_SYS_CAPACITY, Hex8(setting.CISImage.Dword(cis::kSysCapacity)));
    SetItemText(IDC_LED_CTL0, Hex2(setting.CISImage.bytes[cis::kLedCtl0]));
    SetItemText(IDC_LED_CTL1, Hex2(setting.CISImage.bytes[cis::kLedCtl1]));
    SetItemText(IDC_TEST_DATA_SIZE, platform::FormatWide("%u", static_cast<unsigned>(setting.StressTestSize)));
    SetCheck(IDC_DISABLE_FILTER_DRIVER, setting.DisableFilterDrv != 0);
    SetCheck(IDC_AUTO_RUN, setting.AutoRunEnable != 0);
    SetCheck(IDC_HUB_FW_DOWNLOAD, setting.HubDLEnable != 0);
    SetItemText(IDC_HUB_FW_FILE, setting.FilePathOfFW2.str());
}

// Fill steps 1 to 8: the switches of the test procedure and what they grey.
void CUSDSettingPageDlg::ShowTestProcedure()
{
    const CISSetting& setting = frame_.CisSetting;
    const DWORD mask = setting.TestProcedureMask;
    SetCheck(IDC_FW_DOWNLOAD_DISABLE, (mask & 0x1) != 0);
    SetCheck(IDC_CIS_DOWNLOAD_DISABLE, (mask & 0x2) != 0);
    SetCheck(IDC_FORMAT_DISABLE, (mask & 0x4) != 0);
    SetCheck(IDC_STRESS_TEST_DISABLE, (mask & 0x8) != 0);
    const bool stressTest = (mask & 0x8) == 0;
    if (!stressTest)
        SetCheck(IDC_DISPLAY_RW_RATE, false);
    EnableItems({IDC_DISPLAY_RW_RATE, IDC_TEST_DATA_SIZE}, stressTest);
    SetCheck(IDC_MEDIA_EEPROM, setting.TargetStoreMedia == 1);
    SetCheck(IDC_MEDIA_EXTERNAL_FLASH, setting.TargetStoreMedia == 2);
    SetCheck(IDC_MEDIA_HARD_DISK, setting.TargetStoreMedia == 3);
    if ((frame_.FabrunMode & kFabrunModeCisSwitchFree) == 0)
        EnableItems({IDC_CIS_DOWNLOAD_DISABLE, IDC_MEDIA_EEPROM, IDC_MEDIA_EXTERNAL_FLASH, IDC_MEDIA_HARD_DISK}, false);
    if (mask & 0x1)
        EnableItems({IDC_FLASH_TYPE}, false);
    if (mask & 0x2)
        EnableItems({IDC_MEDIA_EEPROM, IDC_MEDIA_EXTERNAL_FLASH, IDC_MEDIA_HARD_DISK, IDC_PRODUCT_STRING,
                     IDC_MANUFACTURE_STRING, IDC_USB_VID, IDC_USB_PID, IDC_INQUIRY_VID, IDC_INQUIRY_PID, IDC_PASSWORD,
                     IDC_LED_CTL0, IDC_LED_CTL1, IDC_SN_GENERATOR, IDC_SERIAL_NUMBER, IDC_SN_LENGTH, IDC_SN_MASK,
                     IDC_SN_INTERVAL, IDC_DECIMAL_SN, IDC_HDD_POWER_CONTROL, IDC_HD_CAPACITY_DISPLAY},
                    false);
    // After a load the list shows the flash type of the record loaded.
    SelectFlashType(*this, IDC_FLASH_TYPE);
    ShowLunTypeBoxes(*this, kLunTypeBoxes);
    ShowLunFormatBoxes(*this, (mask & 0x4) != 0);
}

// Label 1143: the firmware version that the port poll found on the first present port.
void CUSDSettingPageDlg::ShowFirmwareVersions()
{
    const CDevInfoDoc::PortRecords& ports = frame_.Document().Ports();
    const int count = std::clamp(frame_.DevNoView, 0, kPortCount);
    std::u16string shown = u"N/A";
    for (int port = 0; port < count; ++port) {
        const PortRecord& record = ports[static_cast<std::size_t>(port)];
        if (record.present == 0)
            continue;
        const BYTE* version = record.disk.inquiry + 40;
        shown = platform::FormatWide("%x.%x.%x.%x", version[0], version[1], version[2], version[3]);
        break;
    }
    SetItemText(IDC_CURRENT_FW_VERSION, shown);
}

void CUSDSettingPageDlg::ShowBinFileVersion()
{
    const PackedString& path = frame_.CisSetting.FilePathOfFW;
    BYTE version[4] = {0xFF};
    if (!path.empty())
        ReadFirmwareFileVersion(path, version);
    SetItemText(IDC_BIN_FW_VERSION, FirmwareVersionText(version));
}

void CUSDSettingPageDlg::ConnectHandlers()
{
    serial_.Connect();
    for (const HexFieldEdit& field : SettingPageHexFields())
        OnEditChange(field.id, [this, &field] { ApplyHexFieldEdit(*this, frame_.CisSetting, field); });
    for (const StringFieldEdit& field : ChipPageStringFields())
        OnEditChange(field.id, [this, &field] { ApplyStringFieldEdit(*this, frame_.CisSetting, field); });

    OnClicked(IDC_FW_DOWNLOAD_DISABLE, [this] { OnFwDownloadDisable(); });
    OnClicked(IDC_CIS_DOWNLOAD_DISABLE, [this] { OnCisDownloadDisable(); });
    OnClicked(IDC_FORMAT_DISABLE, [this] { OnFormatDisable(); });
    OnClicked(IDC_STRESS_TEST_DISABLE, [this] { OnStressTestDisable(); });
    OnClicked(IDC_MEDIA_EEPROM, [this] { OnMedia(IDC_MEDIA_EEPROM, 1); });
    OnClicked(IDC_MEDIA_EXTERNAL_FLASH, [this] { OnMedia(IDC_MEDIA_EXTERNAL_FLASH, 2); });
    OnClicked(IDC_MEDIA_HARD_DISK, [this] { OnMedia(IDC_MEDIA_HARD_DISK, 3); });
    ConnectLunFormatBoxes(*this);
    ConnectLunTypeBoxes(*this, kLunTypeBoxes);
    OnClicked(IDC_HUB_FW_DOWNLOAD, [this] { frame_.CisSetting.HubDLEnable = IsChecked(IDC_HUB_FW_DOWNLOAD) ? 1 : 0; });
    OnClicked(IDC_AUTO_RUN, [this] { OnAutoRun(); });
    OnClicked(IDC_DISABLE_FILTER_DRIVER, [this] { OnFilterDriver(); });
    OnClicked(IDC_SAVE_SETTING, [this] { frame_.SaveRequested = 1; });
    OnSelChange(IDC_FLASH_TYPE, [this] { OnFlashTypeChosen(*this, IDC_FLASH_TYPE); });
    OnEditChange(IDC_TEST_DATA_SIZE, [this] { OnTestDataSizeChanged(); });

    OnEditChange(IDC_MAX_LUN, [this] { OnMaxLunChanged(); });
    OnSelChange(IDC_LUN_SELECT, [this] { ShowLun(); });
    for (UINT id : {IDC_LUN_START_LBA, IDC_LUN_CAPACITY, IDC_LUN_ATTRIBUTE, IDC_LUN_TYPE})
        OnEditChange(id, [this, id] { OnLunFieldChanged(id); });

    OnClicked(IDC_FW_OPEN_FILE, [this] { OnChooseFirmware(); });
    OnEditChange(IDC_FW_FILE, [this] { OnFirmwareFileShown(); });
    OnClicked(IDC_HUB_FW_OPEN_FILE, [this] { OnChooseHubFirmware(); });
    OnEditChange(IDC_HUB_FW_FILE, [this] { OnHubFirmwareFileShown(); });
    ConnectBackupAndLogFiles(*this);
    OnClicked(IDC_BACKUP_FW, [this] { OnBackupFirmware(); });
}
