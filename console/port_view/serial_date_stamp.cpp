#include "console/port_view/serial_date_stamp.h"

#include "platform/text/text.h"

#include <algorithm>

namespace {

constexpr int kDateDigits = 6;
constexpr int kSerialDigits = 16; // a serial number has at most 16 characters

int LeadingNumber(std::u16string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+'))
        negative = text[at++] == u'-';
    long long value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
        if (value < 1'000'000)
            value = value * 10 + (text[at] - u'0');
    return static_cast<int>(negative ? -value : value);
}

} // namespace

std::u16string SerialDateMask(int year, int month, int day, std::u16string_view lengthText)
{
    std::u16string mask = platform::FormatWide("%02d%02d%02d", year - 2000, month, day);
    const int length = std::min(LeadingNumber(lengthText), kSerialDigits);
    if (length > kDateDigits)
        mask.append(static_cast<std::size_t>(length - kDateDigits), u'#');
    return mask;
}
