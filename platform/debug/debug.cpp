#include "platform/debug/debug.h"

#include "platform/text/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace platform {
namespace {

// The longest line DebugPrintf gives, in bytes.
constexpr std::size_t kLineLimit = 1023;
// Room beyond that limit for the rest of a character that starts within it.
constexpr std::size_t kLongestCharacter = 4;

struct DebugState {
    std::mutex lock;
    DebugSink sink;
    FILE* file = nullptr;
    bool discard = false;
    bool configured = false;
};

DebugState& State()
{
    static DebugState* state = new DebugState;
    return *state;
}

void ConfigureDefault(DebugState& state)
{
    if (state.configured)
        return;
    state.configured = true;
    const char* target = std::getenv("FABRUN_DEBUG_LOG");
    if (target == nullptr || *target == '\0' || std::strcmp(target, "stderr") == 0)
        return;
    if (std::strcmp(target, "off") == 0) {
        state.discard = true;
        return;
    }
    state.file = std::fopen(target, "a");
}

void Emit(std::string_view text)
{
    // A caller's trailing newline is part of its text, not a second line.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    auto& state = State();
    std::lock_guard guard(state.lock);
    if (state.sink) {
        state.sink(text);
        return;
    }
    ConfigureDefault(state);
    if (state.discard)
        return;
    FILE* out = state.file != nullptr ? state.file : stderr;
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

} // namespace

DebugSink SetDebugSink(DebugSink sink)
{
    auto& state = State();
    std::lock_guard guard(state.lock);
    DebugSink previous = std::move(state.sink);
    state.sink = std::move(sink);
    return previous;
}

void DebugPrintf(const char* format, ...)
{
    char formatted[kLineLimit + kLongestCharacter + 1];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(formatted, sizeof formatted, format, args);
    va_end(args);
    if (length < 0) {
        Emit(std::string("DebugPrintf: cannot format \"") + format + "\"");
        return;
    }
    // vsnprintf cuts at a byte count, perhaps inside a character: cut before it instead.
    char line[kLineLimit + 1];
    CopyToField(line, sizeof line, formatted);
    Emit(line);
}

} // namespace platform

void OutputDebugStringA(LPCSTR text)
{
    platform::Emit(text != nullptr ? text : "");
}

void OutputDebugStringW(LPCWSTR text)
{
    platform::Emit(text != nullptr ? platform::WideToAnsi(text) : std::string());
}
