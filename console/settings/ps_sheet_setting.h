// The settings sheet: a modal sheet with the settings page of the current product mode
// as its only tab, OK and Cancel, and "Load" and "SaveAs" buttons that switch the CIS
// settings file. Like every modal window it is owned by the main window. The page edits the main frame's record in place; keeping or undoing
// the edits is the business of the Setting command that runs the sheet.
#pragma once

#include "platform/base/wintypes.h"

#include <QDialog>

#include <optional>
#include <string>

class CFtImageCreateDlg;
class CMainFrame;
class CSettingPage;
class QPushButton;
class QTabWidget;

class CPSheetSetting : public QDialog {
    Q_OBJECT

public:
    static constexpr UINT IDC_LOAD = 0x2000;
    static constexpr UINT IDC_SAVE_AS = 0x2001;

    CPSheetSetting(CMainFrame& frame, const std::u16string& caption);
    ~CPSheetSetting() override;

    // The button texts and the tab caption, then the page's own initialisation.
    BOOL OnInitDialog();
    // IDOK or IDCANCEL.
    INT_PTR DoModal();

    void OnLoadSettings();
    void OnSaveSettingsAs();

    // The page of the current mode.
    CSettingPage* ModePage() const { return modePage_; }
    // Built with the sheet, but no tab shows it.
    CFtImageCreateDlg& FormatPage() const { return *formatPage_; }
    QTabWidget& Tabs() const { return *tabs_; }
    QPushButton& OkButton() const { return *ok_; }
    QPushButton& CancelButton() const { return *cancel_; }
    QPushButton& LoadButton() const { return *load_; }
    QPushButton& SaveAsButton() const { return *saveAs_; }

private:
    CMainFrame& frame_;
    QTabWidget* tabs_;
    CSettingPage* modePage_;
    CFtImageCreateDlg* formatPage_;
    QPushButton* load_;
    QPushButton* saveAs_;
    QPushButton* ok_;
    QPushButton* cancel_;
    bool initialized_ = false;
};
