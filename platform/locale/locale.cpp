#include "platform/locale/locale.h"

#include <cstdlib>
#include <string_view>

namespace {

// The first locale variable that is set and not empty, in POSIX precedence.
std::string_view MessagesLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return {};
}

} // namespace

LANGID GetSystemDefaultLangID()
{
    std::string_view locale = MessagesLocale();
    // "language[_territory][.codeset][@modifier]"
    std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    std::string_view territory;
    if (auto underscore = locale.find('_'); underscore != std::string_view::npos && underscore == language.size())
        territory = locale.substr(underscore + 1, locale.find_first_of(".@", underscore) - underscore - 1);

    if (language == "ja")
        return LANG_ID_JAPANESE;
    if (language != "zh")
        return LANG_ID_ENGLISH_US;
    if (territory == "TW")
        return LANG_ID_CHINESE_TRADITIONAL;
    if (territory == "HK")
        return LANG_ID_CHINESE_HONGKONG;
    if (territory == "MO")
        return LANG_ID_CHINESE_MACAU;
    return LANG_ID_CHINESE_SIMPLIFIED;
}
