#include "bench_process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

bool WaitFor(pid_t pid, long& peakKiB)
{
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid)
        return false;
    peakKiB = std::max(peakKiB, usage.ru_maxrss);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

RunFigures RunInChild(const std::function<int()>& work)
{
    RunFigures figures;
    auto start = Clock::now();
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(work());
    figures.ok = pid > 0 && WaitFor(pid, figures.peakKiB);
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return figures;
}

// A child forked from this program starts with this program's resident pages, so its own
// peak would include ours: the reference tools are measured by /usr/bin/time, a small
// process whose child starts from almost nothing.
long PeakKiBReportedIn(const std::string& path)
{
    long peak = 0;
    if (FILE* report = std::fopen(path.c_str(), "r")) {
        if (std::fscanf(report, "%ld", &peak) != 1)
            peak = 0;
        std::fclose(report);
    }
    std::remove(path.c_str());
    return peak;
}

RunFigures RunCommands(const std::vector<std::vector<std::string>>& commands)
{
    RunFigures figures;
    figures.ok = true;
    const std::string report = "/tmp/fsbuild_benchmark_peak." + std::to_string(::getpid());
    auto start = Clock::now();
    for (const auto& command : commands) {
        std::vector<char*> argv;
        for (const char* measure : {"/usr/bin/time", "-f", "%M", "-o"})
            argv.push_back(const_cast<char*>(measure));
        argv.push_back(const_cast<char*>(report.c_str()));
        for (const std::string& arg : command)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        long spawnerPeak = 0;
        bool finished = started && WaitFor(pid, spawnerPeak);
        figures.peakKiB = std::max(figures.peakKiB, PeakKiBReportedIn(report));
        if (!finished) {
            figures.ok = false;
            break;
        }
    }
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return figures;
}
