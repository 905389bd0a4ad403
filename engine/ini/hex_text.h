// Hexadecimal text as the station stores and the operator types it.
#pragma once

#include "platform/base/wintypes.h"

#include <cstddef>
#include <string_view>

// The value of the hexadecimal digits (either case) of text[start..length) up to the
// first character that is not one; no prefix is looked for; more than 16 digits keep the
// low 64 bits. A start at or beyond the length gives 0; a length beyond the text is taken
// as the text's end.
ULONGLONG HexTextToUInt64(std::u16string_view text, std::size_t length, std::size_t start);
