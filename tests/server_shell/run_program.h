// Runs a program to its end and collects what it printed (standard output and error),
// with its debug lines off.
#pragma once

#include <string>
#include <vector>

namespace fabrun_test {

struct ProgramRun {
    int exitCode = -1; // -1 when it did not exit normally
    std::string output;
};

ProgramRun RunProgram(const std::vector<std::string>& arguments);

} // namespace fabrun_test
