#include "engine/ini/hex_text.h"

#include <algorithm>

ULONGLONG HexTextToUInt64(std::u16string_view text, std::size_t length, std::size_t start)
{
    ULONGLONG value = 0;
    for (std::size_t i = start; i < std::min(length, text.size()); ++i) {
        char16_t c = text[i];
        unsigned digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else
            break;
        value = value * 16 + digit;
    }
    return value;
}
