// The program's string table.
#pragma once

#include "platform/base/wintypes.h"

#include <string_view>

namespace res {

constexpr UINT IDS_APP_TITLE = 0xE000;
constexpr UINT IDS_IDLE_MESSAGE = 0xE001;

// The string of an id; empty for an id without one.
std::u16string_view LoadStringResource(UINT id);

} // namespace res
