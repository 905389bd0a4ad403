// Running a port worker as its view does: a view that records what the worker posts, and
// the start, release and end of the worker's thread.
#pragma once

#include "engine/ports/port_messages.h"
#include "engine/ports/port_result_view.h"
#include "engine/ports/port_thread_param.h"
#include "platform/sync/sync.h"
#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace porttest {

struct TimerPost {
    std::int32_t base;
    const AtomicByte* live;
    bool on;
};

// Records the positions, animation switches and results a worker posts to it.
class RecordingView final : public MessageWindow {
public:
    ~RecordingView() override { StopReceiving(); }

    void Post(PostedMessage message) override
    {
        {
            std::lock_guard guard(lock_);
            if (message.message == WM_PORT_PROGRESS)
                progress_.push_back(message.Record<PortProgress>().progress);
            if (message.message == WM_PORT_PROGRESS_TIMER) {
                const auto& record = message.Record<PortProgress>();
                timers_.push_back({record.progress, record.liveProgress, record.timerOn != 0});
            }
            if (message.message == WM_PORT_RESULT)
                records_.push_back(message.Record<PortResult>());
        }
        arrived_.notify_all();
    }

    // Waits for the first result; a safety limit keeps a broken worker from hanging the test.
    bool WaitForResult()
    {
        std::unique_lock guard(lock_);
        return arrived_.wait_for(guard, std::chrono::minutes(5), [&] { return !records_.empty(); });
    }
    std::vector<std::int32_t> Progress()
    {
        std::lock_guard guard(lock_);
        return progress_;
    }
    std::vector<TimerPost> Timers()
    {
        std::lock_guard guard(lock_);
        return timers_;
    }
    std::vector<PortResult> Records()
    {
        std::lock_guard guard(lock_);
        return records_;
    }
    std::vector<std::int32_t> Results()
    {
        std::vector<std::int32_t> results;
        for (const PortResult& record : Records())
            results.push_back(record.result);
        return results;
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<std::int32_t> progress_;
    std::vector<TimerPost> timers_;
    std::vector<PortResult> records_;
};

// Created suspended, resumed, and released once its result has arrived; the worker must
// stay blocked until then. The one result it posted (result -1 when there was none).
inline PortResult RunWorkerThread(LPTHREAD_START_ROUTINE worker, PortThreadParam& param, RecordingView& view)
{
    HANDLE thread = CreateThread(nullptr, 0, worker, &param, CREATE_SUSPENDED, nullptr);
    EXPECT_NE(thread, nullptr);
    ResumeThread(thread);
    EXPECT_TRUE(view.WaitForResult());
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, STILL_ACTIVE) << "the worker waits for the view's release";
    ReleasePortWorker(param.port);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
    const std::vector<PortResult> records = view.Records();
    EXPECT_EQ(records.size(), 1u) << "exactly one result per run";
    return records.empty() ? PortResult{param.port, -1, 0, 0} : records.front();
}

} // namespace porttest
