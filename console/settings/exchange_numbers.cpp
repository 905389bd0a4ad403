#include "console/settings/exchange_numbers.h"

#include "platform/msgbox/msgbox.h"

#include <limits>

namespace {

struct Number {
    bool negative;
    ULONGLONG magnitude;
};

// Blanks, an optional sign (when `signAllowed`), digits whose value stays at or below
// `largest`, blanks, and nothing else.
std::optional<Number> ExchangeDigits(std::u16string_view text, bool signAllowed, ULONGLONG largest)
{
    std::size_t at = 0;
    auto blank = [&](std::size_t i) { return i < text.size() && (text[i] == u' ' || text[i] == u'\t'); };
    while (blank(at))
        ++at;
    bool negative = false;
    if (signAllowed && at < text.size() && (text[at] == u'-' || text[at] == u'+'))
        negative = text[at++] == u'-';
    const std::size_t digitsFrom = at;
    ULONGLONG value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        const auto digit = static_cast<ULONGLONG>(text[at] - u'0');
        if (value > (largest - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (at == digitsFrom)
        return std::nullopt;
    while (blank(at))
        ++at;
    if (at != text.size())
        return std::nullopt;
    return Number{negative, value};
}

} // namespace

std::optional<DWORD> ExchangeUnsigned(std::u16string_view text)
{
    auto number = ExchangeDigits(text, false, std::numeric_limits<DWORD>::max());
    if (!number)
        return std::nullopt;
    return static_cast<DWORD>(number->magnitude);
}

std::optional<ULONGLONG> ExchangeUnsigned64(std::u16string_view text)
{
    auto number = ExchangeDigits(text, false, std::numeric_limits<ULONGLONG>::max());
    if (!number)
        return std::nullopt;
    return number->magnitude;
}

std::optional<BYTE> ExchangeByte(std::u16string_view text)
{
    auto value = ExchangeUnsigned(text);
    if (!value || *value > 255)
        return std::nullopt;
    return static_cast<BYTE>(*value);
}

std::optional<INT> ExchangeInt(std::u16string_view text)
{
    // The magnitude of the most negative value is one more than the largest positive one.
    auto number = ExchangeDigits(text, true, static_cast<ULONGLONG>(std::numeric_limits<INT>::max()) + 1);
    if (!number)
        return std::nullopt;
    if (!number->negative && number->magnitude > static_cast<ULONGLONG>(std::numeric_limits<INT>::max()))
        return std::nullopt;
    return number->negative ? static_cast<INT>(-static_cast<long long>(number->magnitude)) : static_cast<INT>(number->magnitude);
}

void ShowExchangeFailure(const char16_t* text)
{
    MessageBoxW(nullptr, text, u"Fabrun", MB_OK | MB_ICONWARNING);
}
