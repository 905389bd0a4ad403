#include "engine/ini/caption_format.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"

namespace {

constexpr std::u16string_view kFlags = u"-+ 0";
constexpr std::u16string_view kIntegerConversions = u"diuxXo";
constexpr std::size_t kMaxDigits = 2; // keeps the output short whatever the translation says

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Skips at most kMaxDigits digits at `at`; false when there are more.
bool SkipDigits(std::u16string_view text, std::size_t& at)
{
    std::size_t digits = 0;
    while (at < text.size() && IsDigit(text[at])) {
        ++at;
        ++digits;
    }
    return digits <= kMaxDigits;
}

// Reads the conversion that starts after the '%' at `at`; false unless it is an integer one.
bool SkipIntegerConversion(std::u16string_view format, std::size_t& at)
{
    while (at < format.size() && kFlags.find(format[at]) != std::u16string_view::npos)
        ++at;
    if (!SkipDigits(format, at))
        return false;
    if (at < format.size() && format[at] == u'.') {
        ++at;
        if (!SkipDigits(format, at))
            return false;
    }
    if (at >= format.size() || kIntegerConversions.find(format[at]) == std::u16string_view::npos)
        return false;
    ++at;
    return true;
}

} // namespace

bool IsSingleIntegerFormat(std::u16string_view format)
{
    int conversions = 0;
    for (std::size_t at = 0; at < format.size();) {
        if (format[at] == u'\0')
            return false; // printf would stop there
        if (format[at] != u'%') {
            ++at;
            continue;
        }
        ++at;
        if (at < format.size() && format[at] == u'%') {
            ++at;
            continue;
        }
        if (!SkipIntegerConversion(format, at))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

std::u16string CheckedIntegerFormat(std::u16string translated, std::u16string_view english)
{
    if (IsSingleIntegerFormat(translated))
        return translated;
    platform::DebugPrintf("Caption \"%s\" is not a format of one integer; the English \"%s\" is used",
                          platform::WideToUtf8(translated).c_str(), platform::WideToUtf8(english).c_str());
    return std::u16string(english);
}

std::u16string FormatInteger(std::u16string_view format, int value)
{
    return platform::FormatWide(platform::WideToAnsi(format).c_str(), value);
}
