#include "console/port_view/serial_date_stamp.h"

#include "engine/ini/decimal_text.h"
#include "platform/text/text.h"

#include <algorithm>

namespace {

constexpr int kDateDigits = 6;
constexpr int kSerialDigits = 16; // a serial number has at most 16 characters

} // namespace

std::u16string SerialDateMask(int year, int month, int day, std::u16string_view lengthText)
{
    std::u16string mask = platform::FormatWide("%02d%02d%02d", year - 2000, month, day);
    const int length = std::min(DecimalTextToInt(lengthText), kSerialDigits);
    if (length > kDateDigits)
        mask.append(static_cast<std::size_t>(length - kDateDigits), u'#');
    return mask;
}
