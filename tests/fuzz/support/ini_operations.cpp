#include "tests/fuzz/support/ini_operations.h"

#include "platform/text/text.h"

#include <algorithm>
#include <array>

namespace fuzz {
namespace {

constexpr std::array<const char16_t*, 6> kSections = {u"S", u"Setting", u"CIS_Setting", u"", u" s ", u"ENU"};
constexpr std::array<const char16_t*, 6> kKeys = {u"k", u"K", u"Language", u"USB_VID", u" k ", u""};

std::u16string WithoutNul(std::u16string text)
{
    std::replace(text.begin(), text.end(), u'\0', u' ');
    return text;
}

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

std::u16string_view Trimmed(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

IniWrite TakeIniWrite(Input& input)
{
    IniWrite write;
    std::uint8_t flags = write.flags = input.Byte();
    write.section = (flags & 1) ? kSections[input.Byte() % kSections.size()] : WithoutNul(input.Wide());
    if (flags & 4) {
        write.key = std::u16string(20, u'=');
        write.value = std::u16string(9, u'=') + u"\n";
        write.separator = true;
        return write;
    }
    write.key = (flags & 2) ? kKeys[input.Byte() % kKeys.size()] : WithoutNul(input.Wide());
    write.value = WithoutNul(input.Wide());
    // Any key of nothing but '=' with a value of '=' and line feeds is such a line.
    write.separator = !write.key.empty() && write.key.find_first_not_of(u'=') == std::u16string::npos &&
                      write.value.find_first_not_of(u"=\n") == std::u16string::npos;
    return write;
}

std::u16string ReadBackForm(std::u16string_view value)
{
    value = Trimmed(value);
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == u'"' || value.front() == u'\''))
        value = value.substr(1, value.size() - 2);
    return std::u16string(value);
}

std::u16string FoldedName(std::u16string_view name)
{
    std::u16string folded(Trimmed(name));
    for (char16_t& c : folded)
        c = platform::WideToUpper(c);
    return folded;
}

} // namespace fuzz
