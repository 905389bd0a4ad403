#include "server/shell/debug_line.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace portwarden {

void DebugLine(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(needed > 0 ? static_cast<std::size_t>(needed) : 0, '\0');
    if (needed > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    char line[kDebugLineSize];
    platform::CopyToField(line, sizeof line, text);
    OutputDebugStringA(line);
}

} // namespace portwarden
