// The server's one formatting routine for debug lines: printf-style into a line of at
// most 500 bytes (the terminating NUL included). Longer text is cut at a whole
// character, never written past the line.
#pragma once

#include <cstddef>

namespace portwarden {

constexpr std::size_t kDebugLineSize = 500;

void DebugLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace portwarden
