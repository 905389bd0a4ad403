// A station on the bench for the window tests: a program folder of its own (the server
// files, regsvr32, a filter-driver installer that records its calls, the two INI files and
// a firmware file), a system folder and registry store of its own, a simulated RZ522 on
// port 1, scripted message boxes and the debug lines. The frame is the real one.
#pragma once

#include "console/fabrun_app.h"
#include "console/main_frame.h"
#include "console/port_view/port_view.h"
#include "engine/ports/dev_info_doc.h"
#include "engine/usb/supported_devices.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "platform/process/process.h"
#include "platform/text/text.h"
#include "sim/chip/chip_bench.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <cstdio>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace consoletest {

namespace fs = std::filesystem;

inline sim::ChipConfig Rz522()
{
    sim::ChipConfig config;
    config.vendorId = MakerVendorId;
    config.productId = ChipProductId::RZ522;
    return config;
}

class StationTest : public ::testing::Test {
protected:
    StationTest()
    {
        static int counter = 0;
        folder_ = fs::temp_directory_path() / ("station-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
        fs::create_directories(folder_ / "system");
        fs::create_directories(folder_ / "run");
        fs::permissions(folder_ / "run", fs::perms::owner_all);
        fs::create_directories(folder_ / "Driver");
        const fs::path bin = platform::WideToAnsi(platform::ProgramFolder());
        for (const char* file : {"Portwarden.ax", "Volkiln.dll", "regsvr32"})
            fs::create_symlink(bin / file, folder_ / file);
        Write("Driver/RZ87XFilterInst", "#!/bin/sh\necho \"$1\" >> \"" + (folder_ / "filter.log").string() + "\"\n");
        fs::permissions(folder_ / "Driver/RZ87XFilterInst", fs::perms::owner_all);
        std::mt19937 random(7);
        std::string firmware(0x8000, '\0');
        for (char& byte : firmware)
            byte = static_cast<char>(random());
        Write("fw.bin", firmware);
        stationIni = "[Setting]\nDevNoView=16\nCISSettingFilePath=" + (folder_ / "DefaultCIS.ini").string() + "\n";
        cisIni = "[CIS_Setting]\nFilePathOfFW=" + (folder_ / "fw.bin").string() + "\nLunTypeBitMap=0x00200000\n";
        setenv("FABRUN_SYSTEM_DIR", (folder_ / "system").c_str(), 1);
        setenv("FABRUN_REGISTRY", (folder_ / "registry").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (folder_ / "run").c_str(), 1);
        platform::SetMessageBoxScript([this](const platform::MessageBoxRequest& request) {
            boxes.push_back(request);
            return IDOK;
        });
        platform::SetDebugSink([this](std::string_view line) {
            std::lock_guard guard(linesLock_);
            lines_.emplace_back(line);
        });
    }

    ~StationTest() override
    {
        clock_.reset();
        frame.reset();
        platform::SetMessageBoxScript({});
        platform::SetDebugSink({});
        if (HasFailure()) {
            std::lock_guard guard(linesLock_);
            std::size_t from = lines_.size() > 80 ? lines_.size() - 80 : 0;
            for (std::size_t n = from; n < lines_.size(); ++n)
                std::fprintf(stderr, "  | %s\n", lines_[n].c_str());
        }
        // The filter-driver installer may still be writing its log.
        std::error_code ignored;
        for (int attempt = 0; attempt < 50 && fs::exists(folder_); ++attempt) {
            fs::remove_all(folder_, ignored);
            usleep(10000);
        }
    }

    // Waits until a file the installer writes reads `text`; an installer runs on its own.
    bool FileBecomes(const std::string& name, const std::string& text)
    {
        for (int round = 0; round < 500 && Read(name) != text; ++round)
            usleep(10000);
        return Read(name) == text;
    }

    void ClearLines()
    {
        std::lock_guard guard(linesLock_);
        lines_.clear();
    }

    void Write(const std::string& name, const std::string& text) const
    {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }

    std::string Read(const std::string& name) const
    {
        std::ifstream in(folder_ / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    sim::Rz52xChip& PlugChip(sim::ChipConfig config = Rz522()) { return bench.AddChip(std::move(config)); }

    // The start-up as the application runs it; the chip runs then go on the virtual clock.
    bool Start()
    {
        Write("Fabrun.ini", stationIni);
        Write("DefaultCIS.ini", cisIni);
        frame = std::make_unique<CMainFrame>(document, platform::AnsiToWide(folder_.string() + "/"));
        bool created = frame->OnCreate();
        if (created)
            frame->show();
        clock_.emplace();
        return created;
    }

    CPortView& View() const { return *frame->PortView(); }

    // Runs the event loop until `done` holds; a generous cap keeps a lost result from
    // hanging the test.
    bool WaitFor(const std::function<bool()>& done)
    {
        QTimer tick; // wakes the loop when nothing else does
        tick.start(20);
        for (int round = 0; round < 6000 && !done(); ++round)
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        return done();
    }

    bool WaitForIdle(int port) { return WaitFor([&] { return !View().WorkerBusy(port); }); }

    bool HasLine(const std::string& line)
    {
        std::lock_guard guard(linesLock_);
        return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    }

    bool HasLineStarting(const std::string& prefix)
    {
        std::lock_guard guard(linesLock_);
        return std::any_of(lines_.begin(), lines_.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    }

    std::string stationIni;
    std::string cisIni;
    std::vector<platform::MessageBoxRequest> boxes;
    sim::ChipBench bench;
    CDevInfoDoc document;
    std::unique_ptr<CMainFrame> frame;

private:
    fs::path folder_;
    std::optional<platform::ScopedVirtualClock> clock_;
    std::mutex linesLock_;
    std::vector<std::string> lines_;

protected:
    const fs::path& Folder() const { return folder_; }
};

} // namespace consoletest
