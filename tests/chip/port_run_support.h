// Running chip-mode procedures and the worker as a port view would: a test view that
// records what the worker posts and releases the worker after its result, the settings
// the worker reads, and firmware files.
#pragma once

#include "chip_test_support.h"
#include "engine/ports/port_messages.h"
#include "engine/ports/port_result_view.h"
#include "engine/ports/port_thread_param.h"
#include "engine/settings/main_frame_settings.h"
#include "platform/sync/sync.h"
#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace chiptest {

// Records the positions and results a worker posts to it.
class PortView final : public MessageWindow {
public:
    ~PortView() override { StopReceiving(); }

    void Post(PostedMessage message) override
    {
        {
            std::lock_guard guard(lock_);
            if (message.message == WM_PORT_PROGRESS)
                progress_.push_back(message.Record<PortProgress>().progress);
            if (message.message == WM_PORT_RESULT)
                results_.push_back(message.Record<PortResult>().result);
        }
        arrived_.notify_all();
    }

    // Waits for the first result; a safety limit keeps a broken worker from hanging the test.
    bool WaitForResult()
    {
        std::unique_lock guard(lock_);
        return arrived_.wait_for(guard, std::chrono::minutes(5), [&] { return !results_.empty(); });
    }
    std::vector<std::int32_t> Progress()
    {
        std::lock_guard guard(lock_);
        return progress_;
    }
    std::vector<std::int32_t> Results()
    {
        std::lock_guard guard(lock_);
        return results_;
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<std::int32_t> progress_;
    std::vector<std::int32_t> results_;
};

inline std::string TempPath(const std::string& name)
{
    return testing::TempDir() + name;
}

// A file of `size` pseudo-random bytes; returns its bytes.
inline std::vector<BYTE> WriteRandomFile(const std::string& path, std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<BYTE> bytes(size);
    for (auto& byte : bytes)
        byte = static_cast<BYTE>(random());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline std::vector<BYTE> ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// One port's start record with its view and settings.
class PortRun {
public:
    explicit PortRun(int port = 0) : frame(platform::Utf8ToWide(testing::TempDir()))
    {
        param.hwndView = &view;
        param.mainFrame = &frame;
        param.port = port;
    }

    CISSetting& settings() { return frame.CisSetting; }

    // Runs the worker procedure as the view does: created suspended, resumed, and released
    // once its result has arrived. Checks that it stayed blocked until then.
    std::int32_t RunWorker(LPTHREAD_START_ROUTINE worker)
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
        auto results = view.Results();
        EXPECT_EQ(results.size(), 1u) << "exactly one result per run";
        return results.empty() ? -1 : results.front();
    }

    PortView view;
    MainFrameSettings frame;
    PortThreadParam param{};
};

} // namespace chiptest
