// Events, mutexes and threads with the Windows semantics the workers and views rely on.
// Every timed wait goes through the platform clock.
#pragma once

#include "platform/base/handle.h"
#include "platform/base/wintypes.h"
#include "platform/clock/clock.h"

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD CREATE_SUSPENDED = 0x4;
constexpr DWORD STILL_ACTIVE = 259;

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

// Auto-reset: a set with no waiter stays set; each set releases exactly one wait.
// Manual-reset: stays set until ResetEvent. Names are not supported (unnamed objects only).
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// A recursive mutex owned by a thread; only the owner can release it.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name);
BOOL ReleaseMutex(HANDLE mutex);

// Threads: a thread handle is signalled when the thread has returned.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, LPDWORD threadId);
DWORD ResumeThread(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
DWORD GetCurrentThreadId();

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);

namespace platform {

// Anything WaitForSingleObject can wait on.
class Waitable : public HandleObject {
public:
    virtual DWORD Wait(DWORD milliseconds) = 0;
};

} // namespace platform
