#include "engine/ini/decimal_text.h"

#include <algorithm>
#include <climits>

INT DecimalTextToInt(std::u16string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == u' ' || (text[at] >= u'\t' && text[at] <= u'\r')))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-'))
        negative = text[at++] == u'-';
    long long value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
        value = std::min<long long>(value * 10 + (text[at] - u'0'), static_cast<long long>(INT_MAX) + 1);
    value = negative ? -value : value;
    return static_cast<INT>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}
