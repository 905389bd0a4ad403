#include "engine/ini/language.h"

std::u16string LanguageSection(const CIniFile& stationIni)
{
    return stationIni.GetString(u"Setting", u"Language", u"");
}

std::u16string LanguageText(const CIniFile& stationIni, std::u16string_view key, std::u16string_view english)
{
    return stationIni.GetString(LanguageSection(stationIni), key, english);
}
