// A worker posts its progress and one result to its view, then stays blocked on its port's
// event until the view has handled the result; the view releases it exactly once.
#include "engine/ports/port_reporter.h"
#include "engine/ports/port_result_view.h"
#include "engine/ports/port_sync.h"
#include "engine/ports/run_result.h"
#include "platform/debug/debug.h"
#include "platform/sync/sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Queues what the workers post; the test thread plays the view's message loop.
class TestView final : public MessageWindow {
public:
    ~TestView() override { StopReceiving(); }

    void Post(PostedMessage message) override
    {
        {
            std::lock_guard guard(lock_);
            if (message.message == WM_PORT_RESULT)
                ++results_;
            queue_.push_back(std::move(message));
        }
        arrived_.notify_all();
    }

    // Waits until `results` results have arrived, then takes every message so far: the view
    // handles them late, after the workers have posted everything.
    std::vector<PostedMessage> TakeAfterResults(std::size_t results)
    {
        std::unique_lock guard(lock_);
        // A safety limit only, so that a broken contract fails instead of hanging the test.
        arrived_.wait_for(guard, std::chrono::seconds(30), [&] { return results_ >= results; });
        std::vector<PostedMessage> taken;
        taken.swap(queue_);
        return taken;
    }

    std::size_t Pending()
    {
        std::lock_guard guard(lock_);
        return queue_.size();
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<PostedMessage> queue_;
    std::size_t results_ = 0;
};

struct WorkerRun {
    PortThreadParam param{};
    std::function<void(PortReporter&)> steps;
    std::int32_t result = RunResult::Success;
    HANDLE thread = nullptr;
    std::atomic<bool> returned{false};
};

DWORD WorkerProcedure(LPVOID parameter)
{
    auto& run = *static_cast<WorkerRun*>(parameter);
    PortReporter reporter(run.param);
    run.steps(reporter);
    reporter.PostResultAndWait(run.result, 2.5e6, 7.5e6);
    run.returned = true;
    return 0;
}

void PostEveryStep(PortReporter& reporter)
{
    for (std::int32_t position = 1; position <= kPortProgressEnd; ++position)
        reporter.PostProgress(position);
}

class WorkerContract : public ::testing::Test {
protected:
    // The view's start: fill the start record, create the thread suspended, record it, resume it.
    WorkerRun& Start(HWND view, std::int32_t port, std::int32_t result,
                     std::function<void(PortReporter&)> steps = PostEveryStep)
    {
        auto& run = *runs_.emplace_back(std::make_unique<WorkerRun>());
        run.param.hwndView = view;
        run.param.port = port;
        run.param.stopRequest = 0;
        run.steps = std::move(steps);
        run.result = result;
        run.thread = CreateThread(nullptr, 0, WorkerProcedure, &run, CREATE_SUSPENDED, nullptr);
        EXPECT_NE(run.thread, nullptr);
        ResumeThread(run.thread);
        return run;
    }

    // A worker still blocked after a minute of (virtual) waiting is waiting for its view.
    static bool StaysBlocked(const WorkerRun& run)
    {
        platform::ScopedVirtualClock clock;
        return WaitForSingleObject(run.thread, 60'000) == WAIT_TIMEOUT && !run.returned;
    }

    static bool PortEventIsSet(std::int32_t port) { return WaitForSingleObject(PortEvent(port), 0) == WAIT_OBJECT_0; }

    void TearDown() override
    {
        for (auto& run : runs_) {
            if (run->thread == nullptr)
                continue;
            if (!run->returned)
                ReleasePortWorker(run->param.port);
            WaitForSingleObject(run->thread, INFINITE);
            CloseHandle(run->thread);
            ResetEvent(PortEvent(run->param.port));
        }
    }

    TestView view_;

private:
    std::vector<std::unique_ptr<WorkerRun>> runs_;
};

} // namespace

TEST_F(WorkerContract, EveryStepArrivesAsPostedAndTheWorkerWaitsUntilTheViewHandledTheResult)
{
    WorkerRun& run = Start(&view_, 5, RunResult::Success);
    std::vector<PostedMessage> messages = view_.TakeAfterResults(1);
    ASSERT_EQ(messages.size(), std::size_t(kPortProgressEnd) + 1);

    // Read long after the worker rewrote its one progress record 1200 times.
    for (std::int32_t step = 0; step < kPortProgressEnd; ++step) {
        ASSERT_EQ(messages[step].message, WM_PORT_PROGRESS);
        const auto& progress = messages[step].Record<PortProgress>();
        ASSERT_EQ(progress.port, 5);
        ASSERT_EQ(progress.progress, step + 1);
    }
    ASSERT_EQ(messages.back().message, WM_PORT_RESULT);
    EXPECT_TRUE(StaysBlocked(run));

    PortResult result = messages.back().Record<PortResult>();
    EXPECT_EQ(result.port, 5);
    EXPECT_EQ(result.result, RunResult::Success);
    EXPECT_EQ(result.writeRate, 2.5e6);
    EXPECT_EQ(result.readRate, 7.5e6);
    EXPECT_EQ(ReadPortResult(result.result), PortVerdict::Pass);
    EXPECT_TRUE(ReleasePortWorker(result.port));

    EXPECT_EQ(WaitForSingleObject(run.thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(run.returned);
    EXPECT_EQ(view_.Pending(), 0u) << "the result is the worker's last message";
    EXPECT_FALSE(PortEventIsSet(5)) << "one release per result: the next run on the port must wait again";
}

TEST_F(WorkerContract, TwoPortsFinishingAtOnceEachWakeOnlyOnTheirOwnEvent)
{
    WorkerRun& third = Start(&view_, 3, -1); // a negative result still releases its worker
    WorkerRun& seventh = Start(&view_, 7, RunResult::StressTestFail);
    std::vector<PostedMessage> messages = view_.TakeAfterResults(2);
    ASSERT_EQ(messages.size(), 2 * (std::size_t(kPortProgressEnd) + 1));

    EXPECT_TRUE(ReleasePortWorker(7));
    EXPECT_EQ(WaitForSingleObject(seventh.thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(StaysBlocked(third));

    EXPECT_TRUE(ReleasePortWorker(3));
    EXPECT_EQ(WaitForSingleObject(third.thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_FALSE(PortEventIsSet(3));
    EXPECT_FALSE(PortEventIsSet(7));
}

TEST_F(WorkerContract, TheAnimationMessagesCarryTheBaseAndTheLiveCounter)
{
    AtomicByte live{0};
    Start(&view_, 9, RunResult::Success, [&](PortReporter& reporter) {
        reporter.PostProgress(300);
        reporter.PostProgressTimer(&live, true);
        live = 40; // advanced by the builder while the view animates
        reporter.PostProgressTimer(&live, false);
        reporter.PostProgress(reporter.Position() + 175);
    });
    std::vector<PostedMessage> messages = view_.TakeAfterResults(1);
    ASSERT_EQ(messages.size(), 5u);

    const auto& on = messages[1].Record<PortProgress>();
    EXPECT_EQ(messages[1].message, WM_PORT_PROGRESS_TIMER);
    EXPECT_EQ(on.port, 9);
    EXPECT_EQ(on.timerOn, 1);
    EXPECT_EQ(on.liveProgress, &live);
    EXPECT_EQ(on.progress + *on.liveProgress, 340) << "a tick shows the base plus the counter";

    const auto& off = messages[2].Record<PortProgress>();
    EXPECT_EQ(messages[2].message, WM_PORT_PROGRESS_TIMER);
    EXPECT_EQ(off.timerOn, 0);
    EXPECT_EQ(messages[3].Record<PortProgress>().progress, 475);
    ReleasePortWorker(9);
}

TEST_F(WorkerContract, AWorkerWhoseViewIsGoneReportsItAndDoesNotHang)
{
    std::vector<std::string> lines;
    std::mutex linesLock;
    platform::DebugSink previous = platform::SetDebugSink([&](std::string_view line) {
        std::lock_guard guard(linesLock);
        lines.emplace_back(line);
    });
    HWND gone;
    {
        TestView closed;
        gone = &closed;
    }
    WorkerRun& run = Start(gone, 4, RunResult::Success, [](PortReporter& reporter) { reporter.PostProgress(600); });
    EXPECT_EQ(WaitForSingleObject(run.thread, INFINITE), WAIT_OBJECT_0);
    platform::SetDebugSink(previous);

    EXPECT_TRUE(run.returned);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Port 4"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("result 1 not posted"), std::string::npos) << lines[1];
    EXPECT_FALSE(PortEventIsSet(4));
}

TEST(PortEvents, OneDistinctEventPerPortAndNoneOutsideThePorts)
{
    std::vector<HANDLE> seen;
    for (std::int32_t port = 0; port < kPortCount; ++port) {
        HANDLE event = PortEvent(port);
        ASSERT_NE(event, nullptr) << port;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), event), 0) << port;
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "created non-signalled: port " << port;
        seen.push_back(event);
    }
    EXPECT_EQ(PortEvent(-1), nullptr);
    EXPECT_EQ(PortEvent(kPortCount), nullptr);
    EXPECT_FALSE(ReleasePortWorker(kPortCount));
}
