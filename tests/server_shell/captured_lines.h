// Collects the debug lines written while it lives.
#pragma once

#include "platform/debug/debug.h"

#include <string>
#include <vector>

namespace fabrun_test {

class CapturedLines {
public:
    CapturedLines()
    {
        previous_ = platform::SetDebugSink([this](std::string_view line) { lines_.emplace_back(line); });
    }
    ~CapturedLines() { platform::SetDebugSink(std::move(previous_)); }
    CapturedLines(const CapturedLines&) = delete;
    CapturedLines& operator=(const CapturedLines&) = delete;

    // The lines so far, and a fresh start.
    std::vector<std::string> Take()
    {
        std::vector<std::string> taken;
        taken.swap(lines_);
        return taken;
    }

private:
    std::vector<std::string> lines_;
    platform::DebugSink previous_;
};

} // namespace fabrun_test
