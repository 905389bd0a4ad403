#include "platform/sync/sync.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform {
namespace {

std::atomic<DWORD> nextThreadId{1};
thread_local DWORD currentThreadId = 0;

DWORD ThisThreadId()
{
    if (currentThreadId == 0)
        currentThreadId = nextThreadId++;
    return currentThreadId;
}

// Waits on `changed` until `ready()` holds; false when the deadline passed first.
template <class Ready>
bool WaitFor(std::condition_variable& changed, std::unique_lock<std::mutex>& lock, std::int64_t deadline, Ready ready)
{
    while (!ready()) {
        if (DeadlinePassed(deadline))
            return false;
        Clock().WaitUntil(changed, lock, deadline);
    }
    return true;
}

class Event final : public Waitable {
public:
    Event(bool manualReset, bool initialState) : manualReset_(manualReset), signalled_(initialState) {}

    void Set()
    {
        {
            std::lock_guard guard(lock_);
            signalled_ = true;
        }
        if (manualReset_)
            changed_.notify_all();
        else
            changed_.notify_one();
    }

    void Reset()
    {
        std::lock_guard guard(lock_);
        signalled_ = false;
    }

    DWORD Wait(DWORD milliseconds) override
    {
        std::int64_t deadline = DeadlineAfter(milliseconds);
        std::unique_lock guard(lock_);
        if (!WaitFor(changed_, guard, deadline, [this] { return signalled_; }))
            return WAIT_TIMEOUT;
        if (!manualReset_)
            signalled_ = false;
        return WAIT_OBJECT_0;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    const bool manualReset_;
    bool signalled_;
};

class Mutex final : public Waitable {
public:
    explicit Mutex(bool initialOwner)
    {
        if (initialOwner) {
            owner_ = ThisThreadId();
            depth_ = 1;
        }
    }

    DWORD Wait(DWORD milliseconds) override
    {
        DWORD self = ThisThreadId();
        std::int64_t deadline = DeadlineAfter(milliseconds);
        std::unique_lock guard(lock_);
        if (owner_ == self) {
            ++depth_;
            return WAIT_OBJECT_0;
        }
        if (!WaitFor(released_, guard, deadline, [this] { return owner_ == 0; }))
            return WAIT_TIMEOUT;
        owner_ = self;
        depth_ = 1;
        return WAIT_OBJECT_0;
    }

    bool Release()
    {
        std::unique_lock guard(lock_);
        if (owner_ != ThisThreadId())
            return false;
        if (--depth_ == 0) {
            owner_ = 0;
            guard.unlock();
            released_.notify_one();
        }
        return true;
    }

private:
    std::mutex lock_;
    std::condition_variable released_;
    DWORD owner_ = 0;
    unsigned depth_ = 0;
};

// Shared by its handle and by the running thread, so either may go first.
class Thread final : public Waitable, public std::enable_shared_from_this<Thread> {
public:
    Thread(LPTHREAD_START_ROUTINE start, LPVOID parameter, bool suspended)
        : start_(start), parameter_(parameter), suspended_(suspended), id_(nextThreadId++)
    {
    }

    // False when the system cannot start another thread.
    bool Launch()
    {
        try {
            std::thread([self = shared_from_this()] { self->Run(); }).detach();
            return true;
        } catch (const std::system_error& error) {
            DebugPrintf("CreateThread: no thread started: %s", error.what());
            SetLastError(ERROR_NOT_ENOUGH_MEMORY); // what Windows says when it runs out of threads
            return false;
        }
    }

    DWORD Id() const { return id_; }

    DWORD Resume()
    {
        std::lock_guard guard(lock_);
        DWORD previous = suspended_ ? 1 : 0;
        suspended_ = false;
        changed_.notify_all();
        return previous;
    }

    DWORD Wait(DWORD milliseconds) override
    {
        std::int64_t deadline = DeadlineAfter(milliseconds);
        std::unique_lock guard(lock_);
        return WaitFor(changed_, guard, deadline, [this] { return finished_; }) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }

    DWORD ExitCode()
    {
        std::lock_guard guard(lock_);
        return finished_ ? exitCode_ : STILL_ACTIVE;
    }

private:
    void Run()
    {
        currentThreadId = id_;
        {
            std::unique_lock guard(lock_);
            changed_.wait(guard, [this] { return !suspended_; });
        }
        DWORD code = start_(parameter_);
        std::lock_guard guard(lock_);
        exitCode_ = code;
        finished_ = true;
        changed_.notify_all();
    }

    LPTHREAD_START_ROUTINE start_;
    LPVOID parameter_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool suspended_;
    bool finished_ = false;
    DWORD exitCode_ = STILL_ACTIVE;
    const DWORD id_;
};

} // namespace
} // namespace platform

using namespace platform;

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name)
{
    if (name != nullptr && *name != u'\0') {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    return IssueHandle(std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event)
{
    auto object = HandleAs<Event>(event);
    if (object == nullptr)
        return FALSE;
    object->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event)
{
    auto object = HandleAs<Event>(event);
    if (object == nullptr)
        return FALSE;
    object->Reset();
    return TRUE;
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name)
{
    if (name != nullptr && *name != u'\0') {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    return IssueHandle(std::make_shared<Mutex>(initialOwner != FALSE));
}

BOOL ReleaseMutex(HANDLE mutex)
{
    auto object = HandleAs<Mutex>(mutex);
    if (object == nullptr)
        return FALSE;
    if (!object->Release()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD creationFlags,
                    LPDWORD threadId)
{
    if (start == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto thread = std::make_shared<Thread>(start, parameter, (creationFlags & CREATE_SUSPENDED) != 0);
    if (!thread->Launch())
        return nullptr;
    if (threadId != nullptr)
        *threadId = thread->Id();
    return IssueHandle(std::move(thread));
}

DWORD ResumeThread(HANDLE thread)
{
    auto object = HandleAs<Thread>(thread);
    if (object == nullptr)
        return static_cast<DWORD>(-1);
    return object->Resume();
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode)
{
    auto object = HandleAs<Thread>(thread);
    if (object == nullptr)
        return FALSE;
    *exitCode = object->ExitCode();
    return TRUE;
}

DWORD GetCurrentThreadId()
{
    return ThisThreadId();
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    auto waitable = HandleAs<Waitable>(object);
    if (waitable == nullptr)
        return WAIT_FAILED;
    return waitable->Wait(milliseconds);
}
