// The frame's Setting command: the settings sheet with its Cancel copy and save rule.
#include "console/settings/setting_command.h"

#include "console/main_frame.h"
#include "console/settings/ps_sheet_setting.h"
#include "console/settings/settings_cancel_copy.h"
#include "console/settings/settings_save_report.h"
#include "console/settings/setting_page.h"
#include "platform/msgbox/msgbox.h"

void RunSettingsSheet(CMainFrame& frame)
{
    frame.SaveRequested = 0;
    const SettingsCancelCopy copy(frame);
    CPSheetSetting sheet(frame, frame.Caption(u"Setting", u"Setting"));
    const INT_PTR ended = sheet.DoModal();
    if (ended == IDCANCEL && frame.SaveRequested == 0) {
        copy.Restore(frame, sheet.ModePage() != nullptr ? sheet.ModePage()->SerialNumberWritten() : std::nullopt);
        return;
    }
    ReportUnsavedSettings(frame.SaveCISSettings());
}
