// Captions in the operator's language: the station INI's key Language of section Setting
// names the section that holds the translated captions.
#pragma once

#include "engine/ini/ini_file.h"

#include <string>
#include <string_view>

// The language section's name, read again at every call (empty when none is set).
std::u16string LanguageSection(const CIniFile& stationIni);

// The caption's key in the language section, or the built-in English text when the
// section or the key is missing.
std::u16string LanguageText(const CIniFile& stationIni, std::u16string_view key, std::u16string_view english);
