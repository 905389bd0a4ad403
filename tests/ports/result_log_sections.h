// The shared result log as the tests read it back: each section's header line and the
// lines after it, up to the next section.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace porttest {

struct LogSection {
    std::string header;
    std::vector<std::string> keys; // the lines after the header, up to the next section
};

inline std::vector<LogSection> Sections(const std::string& text)
{
    std::vector<LogSection> sections;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[')
            sections.push_back({line, {}});
        else if (!line.empty() && !sections.empty())
            sections.back().keys.push_back(line);
    }
    return sections;
}

} // namespace porttest
