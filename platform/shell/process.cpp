#include "platform/shell/process.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/shell/command_line.h"
#include "platform/sync/sync.h"
#include "platform/text/text.h"

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

// Shared by its handle and by the thread that reaps the program, so either may go first:
// a program started without waiting is still reaped.
class Process final : public platform::Waitable {
public:
    explicit Process(pid_t pid) : pid_(pid) {}

    void Reap(std::shared_ptr<Process> self)
    {
        std::thread([self = std::move(self)] {
            int status = 0;
            while (waitpid(self->pid_, &status, 0) < 0 && errno == EINTR) {
            }
            DWORD code = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status))
                                           : 128 + static_cast<DWORD>(WTERMSIG(status));
            std::lock_guard guard(self->lock_);
            self->exitCode_ = code;
            self->finished_ = true;
            self->changed_.notify_all();
        }).detach();
    }

    DWORD Wait(DWORD milliseconds) override
    {
        std::int64_t deadline = platform::DeadlineAfter(milliseconds);
        std::unique_lock guard(lock_);
        while (!finished_) {
            if (platform::DeadlinePassed(deadline))
                return WAIT_TIMEOUT;
            platform::Clock().WaitUntil(changed_, guard, deadline);
        }
        return WAIT_OBJECT_0;
    }

    DWORD ExitCode()
    {
        std::lock_guard guard(lock_);
        return finished_ ? exitCode_ : STILL_ACTIVE;
    }

private:
    const pid_t pid_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool finished_ = false;
    DWORD exitCode_ = STILL_ACTIVE;
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

} // namespace

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*, BOOL, DWORD,
                    LPVOID environment, LPCWSTR currentDirectory, STARTUPINFOW*, PROCESS_INFORMATION* processInformation)
{
    if (applicationName != nullptr || commandLine == nullptr || environment != nullptr || processInformation == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::string> words = platform::SplitCommandLine(platform::WideToAnsi(commandLine));
    if (words.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    std::string program = platform::ResolveProgram(words.front());
    if (program.empty())
        return FALSE;
    words.front() = program;
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    SpawnActions actions;
    std::string folder = currentDirectory != nullptr ? platform::WideToAnsi(currentDirectory) : std::string();
    if (!folder.empty() && posix_spawn_file_actions_addchdir_np(actions.get(), folder.c_str()) != 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    pid_t pid = 0;
    int error = posix_spawn(&pid, program.c_str(), actions.get(), nullptr, argv.data(), environ);
    if (error != 0) {
        platform::DebugPrintf("CreateProcess: %s could not be started (errno %d)", program.c_str(), error);
        SetLastError(error == ENOEXEC ? ERROR_BAD_FORMAT : platform::ErrorFromErrno(error));
        return FALSE;
    }
    auto process = std::make_shared<Process>(pid);
    process->Reap(process);
    processInformation->hProcess = platform::IssueHandle(process);
    processInformation->hThread = nullptr;
    processInformation->dwProcessId = static_cast<DWORD>(pid);
    processInformation->dwThreadId = 0;
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode)
{
    auto object = platform::HandleAs<Process>(process);
    if (object == nullptr || exitCode == nullptr)
        return FALSE;
    *exitCode = object->ExitCode();
    return TRUE;
}
