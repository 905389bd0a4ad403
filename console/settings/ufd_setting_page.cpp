// The flash-drive page's construction, captions and fill.
#include "console/settings/ufd_setting_page.h"

#include "console/main_frame.h"
#include "console/settings/field_edits.h"
#include "console/settings/page_switches.h"
#include "console/settings/setting_file_choosers.h"
#include "console/settings/ufd_setting_steps.h"
#include "platform/text/text.h"
#include "resources/ufd_setting_ids.h"

#include <QComboBox>

using namespace res;

namespace {

constexpr UINT kGroupCaptions[] = {IDC_UFD_GROUP_TEST_PROCEDURE, IDC_UFD_GROUP_MASS_STORAGE, IDC_UFD_GROUP_USB_DESCRIPTOR,
                                   IDC_UFD_GROUP_SN_OPTION,      IDC_UFD_GROUP_LOG_FILE,     IDC_UFD_GROUP_FIRMWARE_FILE,
                                   IDC_UFD_GROUP_BOOT_CODE_FILE};

constexpr CaptionItem kCaptionsBeforeSerial[] = {
    {IDC_UFD_BUILD_SYSTEM_DISABLE, u"BuildSystemDisable", u"Build System Disable"},
    {IDC_UFD_FW_DOWNLOAD_DISABLE, u"FWDownloadDisable", u"FW Download Disable"},
    {IDC_UFD_CIS_DOWNLOAD_DISABLE, u"CISDownloadDisable", u"CIS Download Disable"},
    {IDC_UFD_FORMAT_DISABLE, u"FormatDisable", u"Format Disable"},
    {IDC_UFD_STRESS_TEST_DISABLE, u"StressTestDisable", u"Stress Test Disable"},
    {IDC_UFD_BOOT_CODE_DISABLE, u"BTCodeDownloadDisable", u"BootCode Download Disable"},
    {IDC_UFD_PRODUCT_STRING_LABEL, u"ProductString", u"Product String:"},
    {IDC_UFD_MANUFACTURE_STRING_LABEL, u"ManufactureString", u"Manufacture String:"},
    {IDC_UFD_FW_OPEN_FILE, u"OpenFile", u"Open File"},
    {IDC_UFD_BACKUP_FW, u"BackupFW", u"Backup FW"},
    {IDC_UFD_BOOT_CODE_OPEN_FILE, u"OpenFile", u"Open File"},
    {IDC_UFD_LOG_OPEN_FILE, u"OpenFile", u"Open File"},
    {IDC_UFD_PASSWORD_LABEL, u"Password", u"Password:"},
    {IDC_UFD_SN_GENERATOR_LABEL, u"SNGenerator", u"SN Generator:"},
};

constexpr CaptionItem kCaptionsAfterSerial[] = {
    {IDC_UFD_SN_MASK_LABEL, u"SNMask", u"SN Mask:"},
    {IDC_UFD_SN_INTERVAL_LABEL, u"Interval", u"Interval:"},
    {IDC_UFD_DECIMAL_SN, u"DecimalSN", u"DecimalSN:"},
    {IDC_UFD_GROUP_BUILD_OPTION, u"Option", u"Option"},
};

std::u16string Hex8(DWORD value)
{
    return platform::FormatWide("0x%08X", static_cast<unsigned>(value));
}

std::u16string Hex2(BYTE value)
{
    return platform::FormatWide("0x%02X", value);
}

} // namespace

CUFDSettingPageDlg::CUFDSettingPageDlg(CMainFrame& frame, QWidget* parent)
    : CSettingPage(frame, *FindDialogTemplate(IDD_UFD_SETTING), parent), serial_(*this)
{
    ConnectHandlers();
}

CUFDSettingPageDlg::~CUFDSettingPageDlg() = default;

void CUFDSettingPageDlg::OnInitDialog()
{
    LoadBasicSettingTexts();
    ExchangeBasicSettings();
    if ((frame_.FabrunMode & kFabrunModeProgramFolder) != 0)
        for (UINT id : {IDC_UFD_SYS_START_LBA, IDC_UFD_SYS_START_LBA_LABEL, IDC_UFD_SYS_CAPACITY, IDC_UFD_SYS_CAPACITY_LABEL})
            Item(id)->hide();
}

void CUFDSettingPageDlg::DoDataExchange()
{
    ExchangeBasicSettings();
}

void CUFDSettingPageDlg::LoadBasicSettingTexts()
{
    ReadLanguageSection();
    serial_.FillGeneratorList();
    FillFlashTypeList(*this, IDC_UFD_FLASH_TYPE);
    SelectFlashType(*this, IDC_UFD_FLASH_TYPE);
    for (std::size_t n = 0; n < std::size(kGroupCaptions); ++n)
        SetCaption(kGroupCaptions[n], platform::FormatWide("SetDlgStatic%zu", n), u"");
    SetCaptions(kCaptionsBeforeSerial);
    serial_.SetSerialLabel();
    SetCaptions(kCaptionsAfterSerial);
    QComboBox& bitErrors = List(IDC_UFD_BIT_ERROR_RATE);
    bitErrors.clear();
    for (int level = 0; level < kBitErrorLevels; ++level)
        bitErrors.addItem(QString::number(level));
}

void CUFDSettingPageDlg::ExchangeBasicSettings()
{
    CISSetting& setting = frame_.CisSetting;
    // A fill shows the record afresh: what an earlier fill greyed comes back first.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(true);
    ShowTestProcedure();
    SetItemText(IDC_UFD_LOG_FILE, setting.LogFilePath.str());
    SetItemText(IDC_UFD_USB_VID, setting.USB_VID.str());
    SetItemText(IDC_UFD_USB_PID, setting.USB_PID.str());
    SetItemText(IDC_UFD_INQUIRY_VID, setting.Inquiry_VID.str());
    SetItemText(IDC_UFD_INQUIRY_PID, setting.Inquiry_PID.str());
    SetItemText(IDC_UFD_PRODUCT_STRING, setting.ProductStr.str());
    SetItemText(IDC_UFD_MANUFACTURE_STRING, setting.ManufactureStr.str());
    SetItemText(IDC_UFD_PASSWORD, setting.PassWordStr.str());
    SetItemText(IDC_UFD_FW_FILE, setting.FilePathOfFW.str());
    SetItemText(IDC_UFD_FW_BACKUP_FILE, setting.FilePathOfFWBackup.str());
    SetItemText(IDC_UFD_BOOT_CODE_FILE, setting.FilePathOfBootCode.str());
    SetItemText(IDC_UFD_SYS_START_LBA, Hex8(setting.CISImage.Dword(cis::kSysStartLba)));
    SetItemText(IDC_UFD_SYS_CAPACITY, Hex8(setting.CISImage.Dword(cis::kSysCapacity)));
    SetItemText(IDC_UFD_LED_CTL0, Hex2(setting.CISImage.bytes[cis::kLedCtl0]));
    SetItemText(IDC_UFD_LED_CTL1, Hex2(setting.CISImage.bytes[cis::kLedCtl1]));
    serial_.Update();
    List(IDC_UFD_BIT_ERROR_RATE).setCurrentIndex(static_cast<int>((setting.LunTypeBitMap & kBitErrorBits) >> kBitErrorShift));
}

// Fill steps 1 to 4: the switches of the test procedure, the build options and what they grey.
void CUFDSettingPageDlg::ShowTestProcedure()
{
    const DWORD mask = frame_.CisSetting.TestProcedureMask;
    SetCheck(IDC_UFD_BUILD_SYSTEM_DISABLE, (mask & kStepBuildSystem) != 0);
    if (mask & kStepBuildSystem)
        EnableBuildOptions(false);
    ShowLunTypeBoxes(*this, kBuildOptionBoxes);
    for (const TestStepSwitch& step : kTestStepSwitches)
        SetCheck(step.id, (mask & step.bit) != 0);
    if (mask & kStepBootCode)
        EnableItems({IDC_UFD_FLASH_TYPE}, false);
    // After a load the list shows the flash type of the record loaded.
    SelectFlashType(*this, IDC_UFD_FLASH_TYPE);
    ShowLunFormatBoxes(*this, (mask & kStepFormat) != 0);
}

void CUFDSettingPageDlg::ConnectHandlers()
{
    serial_.Connect();
    for (const HexFieldEdit& field : SettingPageHexFields())
        OnEditChange(field.id, [this, &field] { ApplyHexFieldEdit(*this, frame_.CisSetting, field); });
    for (const StringFieldEdit& field : FlashDrivePageStringFields())
        OnEditChange(field.id, [this, &field] { ApplyStringFieldEdit(*this, frame_.CisSetting, field); });

    OnClicked(IDC_UFD_BUILD_SYSTEM_DISABLE, [this] { OnBuildSystemDisable(); });
    for (const TestStepSwitch& step : kTestStepSwitches)
        OnClicked(step.id, [this, step] { OnTestStepSwitch(step.id, step.bit); });
    ConnectLunTypeBoxes(*this, kBuildOptionBoxes);
    ConnectLunFormatBoxes(*this);
    OnSelChange(IDC_UFD_BIT_ERROR_RATE, [this] { OnBitErrorRateChanged(); });
    OnSelChange(IDC_UFD_FLASH_TYPE, [this] { OnFlashTypeChosen(*this, IDC_UFD_FLASH_TYPE); });

    OnClicked(IDC_UFD_FW_OPEN_FILE, [this] { OnChooseFile(&CISSetting::FilePathOfFW, IDC_UFD_FW_FILE); });
    OnEditChange(IDC_UFD_FW_FILE, [this] { frame_.CisSetting.FilePathOfFW = ItemText(IDC_UFD_FW_FILE); });
    OnClicked(IDC_UFD_BOOT_CODE_OPEN_FILE, [this] { OnChooseFile(&CISSetting::FilePathOfBootCode, IDC_UFD_BOOT_CODE_FILE); });
    OnEditChange(IDC_UFD_BOOT_CODE_FILE, [this] { frame_.CisSetting.FilePathOfBootCode = ItemText(IDC_UFD_BOOT_CODE_FILE); });
    ConnectBackupAndLogFiles(*this);
    OnClicked(IDC_UFD_BACKUP_FW, [this] { OnBackupFirmware(); });
}
