#include "console/settings/setting_file_choosers.h"

#include "console/main_frame.h"
#include "console/settings/setting_page.h"
#include "platform/filedialog/filedialog.h"
#include "resources/usd_setting_ids.h"

namespace {

constexpr const char16_t* kBinFilter = u"BIN File(*.bin)|*.bin| All File (*.*)|*.*||";
constexpr const char16_t* kLogFilter = u"LOG File(*.log)|*.log| All File (*.*)|*.*||";
constexpr DWORD kChooserFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

void ChooseBackupFile(CSettingPage& page)
{
    CFileDialog dialog(FALSE, u".bin", nullptr, kChooserFlags, kBinFilter);
    if (dialog.DoModal() != IDOK)
        return;
    CISSetting& setting = page.Frame().CisSetting;
    setting.FilePathOfFWBackup = dialog.GetPathName();
    if (!setting.FilePathOfFWBackup.empty())
        page.SetItemText(res::IDC_FW_BACKUP_FILE, dialog.GetPathName());
}

void ChooseLogTarget(CSettingPage& page)
{
    CMainFrame& frame = page.Frame();
    CISSetting& setting = frame.CisSetting;
    if ((frame.FabrunMode & kFabrunModeSerialTextFiles) != 0) {
        std::u16string folder;
        if (!BrowseForFolderW(nullptr, nullptr, BIF_RETURNONLYFSDIRS, folder))
            return;
        setting.LogFilePath = folder;
        page.SetItemText(res::IDC_LOG_FILE, folder);
        return;
    }
    CFileDialog dialog(FALSE, u".log", nullptr, kChooserFlags, kLogFilter);
    if (dialog.DoModal() != IDOK)
        return;
    setting.LogFilePath = dialog.GetPathName();
    if (setting.LogFilePath.empty())
        return;
    page.SetItemText(res::IDC_LOG_FILE, setting.LogFilePath.str());
    frame.LogIni = std::make_unique<CIniFile>(setting.LogFilePath.str());
}

} // namespace

std::optional<ChosenFile> ChooseBinFile(const std::u16string& initialFolder)
{
    CFileDialog dialog(TRUE, u".bin", nullptr, kChooserFlags, kBinFilter);
    dialog.initialFolder = initialFolder;
    if (dialog.DoModal() != IDOK)
        return std::nullopt;
    return ChosenFile{dialog.GetPathName(), dialog.GetFileName()};
}

void ConnectBackupAndLogFiles(CSettingPage& page)
{
    page.OnClicked(res::IDC_FW_BACKUP_CHOOSE, [&page] { ChooseBackupFile(page); });
    page.OnEditChange(res::IDC_FW_BACKUP_FILE,
                      [&page] { page.Frame().CisSetting.FilePathOfFWBackup = page.ItemText(res::IDC_FW_BACKUP_FILE); });
    page.OnClicked(res::IDC_LOG_OPEN_FILE, [&page] { ChooseLogTarget(page); });
    page.OnEditChange(res::IDC_LOG_FILE, [&page] { page.Frame().CisSetting.LogFilePath = page.ItemText(res::IDC_LOG_FILE); });
}
