// The real program started beside a test: offscreen, its debug lines in a file of the test's.
#pragma once

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace consoletest {

// The child's process id, or -1 when it could not be forked.
inline pid_t StartStationProcess(const std::string& program, const std::string& debugLog)
{
    pid_t child = fork();
    if (child == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("FABRUN_DEBUG_LOG", debugLog.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

} // namespace consoletest
