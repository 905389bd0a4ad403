// The names a shared library exports, as an independent tool (nm) reads its dynamic
// symbol table; for tests that pin a library's boundary to exactly its entry points.
#pragma once

#include <cstdio>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

namespace fabrun_test {

inline std::set<std::string> ExportedNames(const std::string& nm, const std::string& library)
{
    std::string command = nm + " -D --defined-only " + library;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot start: " + command);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        names.insert(name);
    }
    if (pclose(pipe) != 0)
        throw std::runtime_error("failed: " + command);
    return names;
}

} // namespace fabrun_test
