#include "console/settings/settings_save_report.h"

#include "platform/msgbox/msgbox.h"

void ReportUnsavedSettings(const SettingsSaveResult& saved)
{
    if (saved.Saved())
        return;
    std::u16string text = u"The settings could not be saved to:";
    for (const std::u16string& file : saved.unwrittenFiles)
        text += u"\n" + file;
    if (!saved.unwrittenKeys.empty())
        text += u"\nThese keys keep their old values:";
    for (const std::u16string& key : saved.unwrittenKeys)
        text += u"\n" + key;
    MessageBoxW(nullptr, text.c_str(), u"Fabrun", MB_OK | MB_ICONERROR);
}
