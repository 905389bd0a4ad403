// The number edits that go through the class library's data exchange: a text that is not
// such a number is refused with the library's own message, and the value stays.
#pragma once

#include "platform/base/wintypes.h"

#include <optional>
#include <string_view>

// Blanks around unsigned decimal digits that fit in 32 bits.
std::optional<DWORD> ExchangeUnsigned(std::u16string_view text);
// The same, in 64 bits.
std::optional<ULONGLONG> ExchangeUnsigned64(std::u16string_view text);
// The same, 0 to 255.
std::optional<BYTE> ExchangeByte(std::u16string_view text);
// Blanks around decimal digits with an optional sign, that fit in a signed 32-bit value.
std::optional<INT> ExchangeInt(std::u16string_view text);
// The data exchange's message box.
void ShowExchangeFailure(const char16_t* text);
