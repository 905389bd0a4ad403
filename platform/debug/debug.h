// The debug-output line sink: one line per call, serialised process-wide.
// By default lines go to standard error; FABRUN_DEBUG_LOG=<file> appends them to a file
// and FABRUN_DEBUG_LOG=off discards them. Tests install their own sink to capture lines.
#pragma once

#include "platform/base/wintypes.h"

#include <functional>
#include <string_view>

void OutputDebugStringA(LPCSTR text);
void OutputDebugStringW(LPCWSTR text);

namespace platform {

using DebugSink = std::function<void(std::string_view line)>;

// Replaces the sink; returns the previous one. An empty sink restores the default.
DebugSink SetDebugSink(DebugSink sink);

// printf-style line of at most 1023 bytes: longer text is cut before the first character
// that does not fit whole, never overflowed.
void DebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace platform
