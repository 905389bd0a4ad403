// Device paths, names and ids come in either letter case; the walk compares them lower-cased.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

inline std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}
