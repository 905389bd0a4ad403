// The flash-drive page's switches, lists and file choosers.
#include "console/settings/ufd_setting_page.h"

#include "console/main_frame.h"
#include "console/settings/page_switches.h"
#include "console/settings/setting_file_choosers.h"
#include "console/settings/ufd_setting_steps.h"
#include "platform/debug/debug.h"
#include "resources/ufd_setting_ids.h"

#include <QComboBox>

using namespace res;

void CUFDSettingPageDlg::EnableBuildOptions(bool enable)
{
    EnableItems({IDC_UFD_FORCE_FIRST_BUILD, IDC_UFD_CLEAR_SYSTEM_BLOCK, IDC_UFD_FORCE_SECOND_BUILD, IDC_UFD_SCAN_BLOCK_ONLY,
                 IDC_UFD_DUMP_MEMORY, IDC_UFD_BIT_ERROR_RATE},
                enable);
}

void CUFDSettingPageDlg::OnTestStepSwitch(UINT id, DWORD bit)
{
    CISSetting& setting = frame_.CisSetting;
    const bool checked = IsChecked(id);
    setting.TestProcedureMask = WithBit(setting.TestProcedureMask, bit, checked);
    if (bit == kStepFormat)
        ShowLunFormatBoxes(*this, checked);
    else if (bit == kStepBootCode)
        EnableItems({IDC_UFD_FLASH_TYPE}, !checked);
}

void CUFDSettingPageDlg::OnBuildSystemDisable()
{
    CISSetting& setting = frame_.CisSetting;
    const bool checked = IsChecked(IDC_UFD_BUILD_SYSTEM_DISABLE);
    setting.TestProcedureMask = WithBit(setting.TestProcedureMask, kStepBuildSystem, checked);
    EnableBuildOptions(!checked);
}

void CUFDSettingPageDlg::OnBitErrorRateChanged()
{
    const int index = List(IDC_UFD_BIT_ERROR_RATE).currentIndex();
    if (index < 0)
        return;
    CISSetting& setting = frame_.CisSetting;
    setting.LunTypeBitMap = (setting.LunTypeBitMap & ~kBitErrorBits) | ((static_cast<DWORD>(index) << kBitErrorShift) & kBitErrorBits);
}

// The firmware and boot-code choosers: the edit shows the whole path.
void CUFDSettingPageDlg::OnChooseFile(PackedString CISSetting::*path, UINT edit)
{
    const auto chosen = ChooseBinFile();
    if (!chosen)
        return;
    frame_.CisSetting.*path = chosen->path;
    if (!chosen->path.empty())
        SetItemText(edit, chosen->path);
}

// The flash-drive mode has no firmware backup of its own.
void CUFDSettingPageDlg::OnBackupFirmware()
{
    platform::DebugPrintf("BackupFW: no firmware backup in the flash-drive mode");
}
