#include "console/settings/ps_sheet_setting.h"

#include "console/format_page/ft_image_create_dlg.h"
#include "console/main_frame.h"
#include "console/settings/settings_save_report.h"
#include "console/settings/ufd_setting_page.h"
#include "console/settings/usd_setting_page.h"
#include "engine/ini/language.h"
#include "platform/filedialog/filedialog.h"
#include "platform/msgbox/msgbox.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr const char16_t* kIniFilter = u"INI File(*.ini)|*.ini| All File (*.*)|*.*||";
constexpr DWORD kChooserFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
constexpr int kButtonGap = 6;

// The page of the product mode that FabrunMode bit 0 selects.
CSettingPage* CreateModePage(CMainFrame& frame, QWidget* parent)
{
    if ((frame.FabrunMode & kFabrunModeFlashDrive) != 0)
        return new CUFDSettingPageDlg(frame, parent);
    return new CUSDSettingPageDlg(frame, parent);
}

QPushButton* AddButton(QHBoxLayout& row, QWidget* parent, UINT id)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::number(id));
    row.addWidget(button);
    return button;
}

} // namespace

CPSheetSetting::CPSheetSetting(CMainFrame& frame, const std::u16string& caption)
    : QDialog(&frame), frame_(frame), tabs_(new QTabWidget(this)), modePage_(CreateModePage(frame, tabs_)),
      formatPage_(new CFtImageCreateDlg(frame, this))
{
    formatPage_->hide();
    setWindowTitle(QString::fromStdU16String(caption));
    if (modePage_ != nullptr)
        tabs_->addTab(modePage_, QString());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kButtonGap);
    buttons->addStretch();
    load_ = AddButton(*buttons, this, IDC_LOAD);
    saveAs_ = AddButton(*buttons, this, IDC_SAVE_AS);
    ok_ = AddButton(*buttons, this, IDOK);
    cancel_ = AddButton(*buttons, this, IDCANCEL);
    layout->addLayout(buttons);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(load_, &QPushButton::clicked, this, &CPSheetSetting::OnLoadSettings);
    connect(saveAs_, &QPushButton::clicked, this, &CPSheetSetting::OnSaveSettingsAs);
}

CPSheetSetting::~CPSheetSetting() = default;

BOOL CPSheetSetting::OnInitDialog()
{
    ok_->setText(QString::fromStdU16String(frame_.Caption(u"OK", u"OK")));
    cancel_->setText(QString::fromStdU16String(frame_.Caption(u"Cancel", u"Cancel")));
    saveAs_->setText(QString::fromStdU16String(frame_.Caption(u"SaveAs", u"SaveAs")));
    load_->setText(QString::fromStdU16String(frame_.Caption(u"Load", u"Load")));
    if (modePage_ != nullptr) {
        tabs_->setTabText(0, QString::fromStdU16String(frame_.Caption(modePage_->TabKey(), modePage_->TabEnglish())));
        modePage_->OnInitDialog();
    }
    initialized_ = true;
    return TRUE;
}

INT_PTR CPSheetSetting::DoModal()
{
    if (!initialized_)
        OnInitDialog();
    const INT_PTR ended = exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    // The owner takes the keys again, as after any modal window.
    if (frame_.isVisible())
        frame_.activateWindow();
    return ended;
}

void CPSheetSetting::OnLoadSettings()
{
    CFileDialog dialog(TRUE, u".ini", nullptr, kChooserFlags, kIniFilter);
    if (dialog.DoModal() != IDOK)
        return;
    frame_.CISSettingFilePath = dialog.GetPathName();
    if (frame_.CISSettingFilePath.empty())
        return;
    frame_.CisIni.reset();
    frame_.LoadCISSettings();
    if (modePage_ != nullptr)
        modePage_->DoDataExchange();
    formatPage_->DoDataExchange();
}

void CPSheetSetting::OnSaveSettingsAs()
{
    CFileDialog dialog(FALSE, u".ini", nullptr, kChooserFlags, kIniFilter);
    if (dialog.DoModal() != IDOK)
        return;
    frame_.CISSettingFilePath = dialog.GetPathName();
    if (frame_.CISSettingFilePath.empty())
        return;
    frame_.CisIni = std::make_unique<CIniFile>(frame_.CISSettingFilePath);
    ReportUnsavedSettings(frame_.SaveCISSettings());
}
