#include "console/settings/settings_cancel_copy.h"

#include "console/main_frame.h"

SettingsCancelCopy::SettingsCancelCopy(const CMainFrame& frame)
    : record_(frame.CisSetting), cisSettingFilePath_(frame.CISSettingFilePath),
      autoRunFlag_((frame.FabrunMode & kFabrunModeAutoRunActive) != 0)
{
}

void SettingsCancelCopy::Restore(CMainFrame& frame, std::optional<ULONGLONG> serialWrittenBySheet) const
{
    const ULONGLONG serialNow = frame.CisSetting.SerialNumberX;
    const bool advancedElsewhere =
        serialNow != record_.SerialNumberX && (!serialWrittenBySheet || serialNow != *serialWrittenBySheet);
    frame.CisSetting = record_;
    if (advancedElsewhere)
        frame.CisSetting.SerialNumberX = serialNow;
    frame.CISSettingFilePath = cisSettingFilePath_;
    if (frame.CisIni == nullptr || frame.CisIni->Path() != cisSettingFilePath_)
        frame.CisIni = std::make_unique<CIniFile>(cisSettingFilePath_);
    // The AutoRun flag goes with the record's AutoRun switch.
    frame.FabrunMode = autoRunFlag_ ? frame.FabrunMode | kFabrunModeAutoRunActive : frame.FabrunMode & ~kFabrunModeAutoRunActive;
    // The result log follows the log path put back.
    const std::u16string& logPath = frame.CisSetting.LogFilePath.str();
    if (logPath.empty())
        frame.LogIni.reset();
    else if (frame.LogIni == nullptr || frame.LogIni->Path() != logPath)
        frame.LogIni = std::make_unique<CIniFile>(logPath);
}
