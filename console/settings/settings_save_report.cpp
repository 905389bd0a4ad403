#include "console/settings/settings_save_report.h"

#include "platform/msgbox/msgbox.h"

void ReportUnsavedSettings(const SettingsSaveResult& saved)
{
    if (saved.Saved())
        return;
    std::u16string text = u"The settings could not be saved to:";
    for (const std::u16string& file : saved.unwrittenFiles)
        text += u"\n" + file;
    MessageBoxW(nullptr, text.c_str(), u"Fabrun", MB_OK | MB_ICONERROR);
}
