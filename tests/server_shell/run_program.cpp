#include "tests/server_shell/run_program.h"

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace fabrun_test {

ProgramRun RunProgram(const std::vector<std::string>& arguments)
{
    ProgramRun run;
    int output[2];
    if (pipe(output) != 0)
        return run;
    pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        close(output[0]);
        close(output[1]);
        // Only the program's own messages: debug lines would mix into them.
        setenv("FABRUN_DEBUG_LOG", "off", 1);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(output[1]);
    char buffer[4096];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) > 0;)
        run.output.append(buffer, static_cast<std::size_t>(got));
    close(output[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

} // namespace fabrun_test
