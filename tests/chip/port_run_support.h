// Running chip-mode procedures and the worker as a port view would: a test view that
// records what the worker posts and releases the worker after its result, the settings
// the worker reads, and firmware files.
#pragma once

#include "chip_test_support.h"
#include "engine/settings/main_frame_settings.h"
#include "tests/ports/worker_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace chiptest {

using PortView = porttest::RecordingView;

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
    std::int32_t RunWorker(LPTHREAD_START_ROUTINE worker) { return porttest::RunWorkerThread(worker, param, view).result; }

    PortView view;
    MainFrameSettings frame;
    PortThreadParam param{};
};

} // namespace chiptest
