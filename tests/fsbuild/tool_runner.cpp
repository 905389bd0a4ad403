#include "tool_runner.h"

#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

ToolResult RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& environment)
{
    ToolResult result;
    // A file, not a pipe: a tool that leaves a daemon behind (ntfs-3g) keeps a pipe open
    // for as long as the daemon runs.
    char outputPath[] = "/tmp/fsbuild_tool_XXXXXX";
    int output = ::mkstemp(outputPath);
    if (output < 0)
        return result;
    ::unlink(outputPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output, 1);
    posix_spawn_file_actions_adddup2(&actions, output, 2);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e)
        envStrings.emplace_back(*e);
    envStrings.insert(envStrings.end(), environment.begin(), environment.end());
    std::vector<char*> env;
    for (std::string& e : envStrings)
        env.push_back(e.data());
    env.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ::close(output);
        result.output = "cannot start " + argv[0];
        return result;
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    char buffer[4096];
    for (ssize_t got; (got = ::pread(output, buffer, sizeof buffer, static_cast<off_t>(result.output.size()))) > 0;)
        result.output.append(buffer, static_cast<std::size_t>(got));
    ::close(output);
    return result;
}

std::string CommandLine(const std::vector<std::string>& argv)
{
    std::string line;
    for (const std::string& arg : argv)
        line += (line.empty() ? "" : " ") + arg;
    return line;
}
