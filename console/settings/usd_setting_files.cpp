// The chip-mode page's file choosers, the file edits and the backup button.
#include "console/settings/usd_setting_page.h"

#include "console/main_frame.h"
#include "console/settings/busy_dialog.h"
#include "console/settings/field_edits.h"
#include "console/settings/firmware_file_version.h"
#include "console/settings/setting_file_choosers.h"
#include "engine/backup/firmware_backup_job.h"
#include "engine/backup/hub_image_files.h"
#include "engine/backup/operator_message.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "platform/text/text.h"
#include "resources/usd_setting_ids.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

using namespace res;

namespace {

// For diagnosis only: when the chosen firmware file was made.
void TraceCreationTime(const std::u16string& path)
{
    const std::string name = platform::WideToAnsi(path);
    platform::DebugPrintf("%s", name.c_str());
    struct statx status {};
    if (statx(AT_FDCWD, name.c_str(), 0, STATX_BTIME, &status) != 0) {
        platform::DebugPrintf("Could not open file, error %d", errno);
        return;
    }
    std::tm utc{};
    const std::time_t born = static_cast<std::time_t>(status.stx_btime.tv_sec);
    if ((status.stx_mask & STATX_BTIME) == 0 || gmtime_r(&born, &utc) == nullptr) {
        platform::DebugPrintf("Something wrong!");
        return;
    }
    platform::DebugPrintf("UTC System Time format:");
    platform::DebugPrintf("Created on: %02d/%02d/%d %02d:%02d", utc.tm_mday, utc.tm_mon + 1, utc.tm_year + 1900, utc.tm_hour,
                          utc.tm_min);
}

} // namespace

bool CUSDSettingPageDlg::ProgramFolderChoosers() const
{
    return (frame_.FabrunMode & kFabrunModeProgramFolder) != 0;
}

std::optional<ChosenFile> CUSDSettingPageDlg::ChooseFirmwareFile() const
{
    return ChooseBinFile(ProgramFolderChoosers() ? frame_.ProgramDrive + frame_.ProgramFolder : std::u16string());
}

std::u16string CUSDSettingPageDlg::ShownName(const ChosenFile& chosen) const
{
    return ProgramFolderChoosers() ? chosen.name : chosen.path;
}

void CUSDSettingPageDlg::OnChooseFirmware()
{
    const auto chosen = ChooseFirmwareFile();
    if (!chosen)
        return;
    frame_.CisSetting.FilePathOfFW = chosen->path;
    if (chosen->path.empty()) {
        SetItemText(IDC_BIN_FW_VERSION, u"N/A");
        return;
    }
    SetItemText(IDC_FW_FILE, ShownName(*chosen));
    ShowBinFileVersion();
}

// The edit shows only the file's name and extension, whatever is put into it.
void CUSDSettingPageDlg::OnFirmwareFileShown()
{
    const PackedString& path = frame_.CisSetting.FilePathOfFW;
    PutBack(IDC_FW_FILE, FileNameOf(path));
    if (path.empty()) {
        SetItemText(IDC_BIN_FW_VERSION, u"N/A");
        return;
    }
    TraceCreationTime(path.str());
}

void CUSDSettingPageDlg::OnChooseHubFirmware()
{
    const auto chosen = ChooseFirmwareFile();
    if (!chosen)
        return;
    frame_.CisSetting.FilePathOfFW2 = chosen->path;
    if (chosen->path.empty()) {
        SetItemText(IDC_BIN_FW_VERSION, u"N/A");
        return;
    }
    SetItemText(IDC_HUB_FW_FILE, ShownName(*chosen));
}

void CUSDSettingPageDlg::OnHubFirmwareFileShown()
{
    const PackedString& path = frame_.CisSetting.FilePathOfFW2;
    PutBack(IDC_HUB_FW_FILE, FileNameOf(path));
    if (path.empty())
        SetItemText(IDC_BIN_FW_VERSION, u"N/A");
}

// The backup takes up to half a minute of restarts and reads: it runs behind a modal
// window so that the console stays drawn.
void CUSDSettingPageDlg::OnBackupFirmware()
{
    const CISSetting& setting = frame_.CisSetting;
    if (setting.Create112KForHubAnd521 != 0) {
        BuildHubAnd521Image(frame_);
        return;
    }
    if (setting.Create256KForHubAnd522 != 0) {
        BuildHubAnd522Image(frame_);
        return;
    }
    if (frame_.Document().Ports()[0].present == 0) {
        ShowBackupMessage(BackupCaption(frame_, u"OpenDeviceFail", u"Open Device Fail"));
        return;
    }
    RunBehindBusyDialog(this, QStringLiteral("Backing up the firmware of the chip..."),
                        [this] { BackUpFirmwareFromDevice(frame_); });
}
