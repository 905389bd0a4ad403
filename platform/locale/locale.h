// The system's default language as a Windows language id, taken from the POSIX locale
// variables (LC_ALL, then LC_MESSAGES, then LANG). Only the languages the station tells
// apart are mapped; every other locale counts as US English.
#pragma once

#include "platform/base/wintypes.h"

using LANGID = WORD;

constexpr LANGID LANG_ID_ENGLISH_US = 0x0409;
constexpr LANGID LANG_ID_CHINESE_SIMPLIFIED = 0x0804;
constexpr LANGID LANG_ID_CHINESE_TRADITIONAL = 0x0404;
constexpr LANGID LANG_ID_CHINESE_HONGKONG = 0x0C04;
constexpr LANGID LANG_ID_CHINESE_MACAU = 0x1404;
constexpr LANGID LANG_ID_JAPANESE = 0x0411;

constexpr WORD PRIMARYLANGID(LANGID id) { return id & 0x3FF; }
constexpr WORD SUBLANGID(LANGID id) { return id >> 10; }

// Read afresh at every call, so a changed environment shows at once.
LANGID GetSystemDefaultLangID();
