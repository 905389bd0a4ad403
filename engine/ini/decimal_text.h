// Decimal text as the C library's wide-to-int conversion reads it: leading white space
// and a sign, then the leading digits (0 when there are none). Out-of-range values
// saturate instead of wrapping.
#pragma once

#include "platform/base/wintypes.h"

#include <string_view>

INT DecimalTextToInt(std::u16string_view text);
