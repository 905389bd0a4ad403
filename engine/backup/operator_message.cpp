#include "engine/backup/operator_message.h"

#include "engine/ini/language.h"
#include "platform/msgbox/msgbox.h"

void ShowBackupMessage(std::u16string_view text, UINT type)
{
    const std::u16string shown(text);
    MessageBoxW(nullptr, shown.c_str(), u"Fabrun", MB_OK | type);
}

std::u16string BackupCaption(const MainFrameSettings& settings, std::u16string_view key, std::u16string_view english)
{
    return settings.ToolIni != nullptr ? LanguageText(*settings.ToolIni, key, english) : std::u16string(english);
}
