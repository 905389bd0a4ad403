#include "engine/ports/port_sync.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/sync/sync.h"
#include "portwarden/records.h"

#include <array>
#include <mutex>

namespace {

class ProgramSyncObjects {
public:
    ProgramSyncObjects()
    {
        for (HANDLE& event : portEvents_) {
            event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
            if (event == nullptr)
                platform::DebugPrintf("PortEvents: CreateEvent failed (%u)", GetLastError());
        }
        serialNumberMutex_ = CreateMutexW(nullptr, FALSE, nullptr);
        if (serialNumberMutex_ == nullptr)
            platform::DebugPrintf("SerialNumberMutex: CreateMutex failed (%u)", GetLastError());
    }

    ~ProgramSyncObjects()
    {
        for (HANDLE event : portEvents_)
            CloseHandle(event);
        CloseHandle(serialNumberMutex_);
    }

    HANDLE PortEvent(std::int32_t port) const
    {
        if (port < 0 || port >= kPortCount)
            return nullptr;
        return portEvents_[static_cast<std::size_t>(port)];
    }

    HANDLE SerialNumberMutex() const { return serialNumberMutex_; }

private:
    std::array<HANDLE, kPortCount> portEvents_{};
    HANDLE serialNumberMutex_ = nullptr;
};

ProgramSyncObjects& Objects()
{
    static ProgramSyncObjects objects;
    return objects;
}

// Created when the program loads, not at the first wait; the accessor keeps the order of
// static construction from mattering.
[[maybe_unused]] const ProgramSyncObjects& createdAtStart = Objects();

} // namespace

HANDLE PortEvent(std::int32_t port)
{
    return Objects().PortEvent(port);
}

HANDLE SerialNumberMutex()
{
    return Objects().SerialNumberMutex();
}

namespace {
std::mutex& CisImageMutex()
{
    static std::mutex mutex;
    return mutex;
}
} // namespace

CisImageLock::CisImageLock()
{
    CisImageMutex().lock();
}

CisImageLock::~CisImageLock()
{
    CisImageMutex().unlock();
}

SerialNumberLock::SerialNumberLock()
{
    DWORD waited = WaitForSingleObject(SerialNumberMutex(), INFINITE);
    held_ = waited == WAIT_OBJECT_0;
    if (!held_)
        platform::DebugPrintf("SerialNumberMutex: wait failed (%u)", waited);
}

SerialNumberLock::~SerialNumberLock()
{
    if (held_ && !ReleaseMutex(SerialNumberMutex()))
        platform::DebugPrintf("SerialNumberMutex: release failed (%u)", GetLastError());
}
