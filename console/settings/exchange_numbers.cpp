#include "console/settings/exchange_numbers.h"

#include "platform/msgbox/msgbox.h"

std::optional<DWORD> ExchangeUnsigned(std::u16string_view text)
{
    std::size_t at = 0;
    auto blank = [&](std::size_t i) { return i < text.size() && (text[i] == u' ' || text[i] == u'\t'); };
    while (blank(at))
        ++at;
    const std::size_t digitsFrom = at;
    ULONGLONG value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        value = value * 10 + static_cast<ULONGLONG>(text[at] - u'0');
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (at == digitsFrom)
        return std::nullopt;
    while (blank(at))
        ++at;
    if (at != text.size())
        return std::nullopt;
    return static_cast<DWORD>(value);
}

std::optional<BYTE> ExchangeByte(std::u16string_view text)
{
    auto value = ExchangeUnsigned(text);
    if (!value || *value > 255)
        return std::nullopt;
    return static_cast<BYTE>(*value);
}

void ShowExchangeFailure(const char16_t* text)
{
    MessageBoxW(nullptr, text, u"Fabrun", MB_OK | MB_ICONWARNING);
}
