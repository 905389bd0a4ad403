// Runs one build in a process of its own, so that its time and its peak memory are its own.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct RunFigures {
    double seconds = 0;
    long peakKiB = 0;    // largest resident set of the process (of any one, for a command list)
    bool ok = false;
};

// `work` runs in a forked child; its result is the child's exit code (0 = success).
RunFigures RunInChild(const std::function<int()>& work);

// The commands one after another, each a process; stops at the first failure.
RunFigures RunCommands(const std::vector<std::vector<std::string>>& commands);
