// A station on the bench for the window tests: a station folder of its own
// (sim/station), a simulated RZ522 on port 1, scripted message boxes and the debug lines.
// The frame is the real one.
#pragma once

#include "console/fabrun_app.h"
#include "console/dev_list_view.h"
#include "console/main_frame.h"
#include "console/port_view/port_view.h"
#include "controls/icon_button.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "platform/process/process.h"
#include "platform/text/text.h"
#include "resources/icons.h"
#include "sim/chip/chip_bench.h"
#include "sim/station/station_chip.h"
#include "sim/station/station_folder.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <cstdio>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace consoletest {

namespace fs = std::filesystem;

class StationTest : public ::testing::Test {
protected:
    StationTest()
        : station_(fs::temp_directory_path() / ("station-" + std::to_string(getpid()) + "-" + std::to_string(++Counter())),
                   platform::WideToAnsi(platform::ProgramFolder()))
    {
        station_.WriteFirmware(0x8000, 7);
        stationIni = station_.DefaultStationIni();
        cisIni = station_.DefaultCisIni();
        station_.SetEnvironment();
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
        for (int attempt = 0; attempt < 50 && fs::exists(Folder()); ++attempt) {
            fs::remove_all(Folder(), ignored);
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

    std::string Read(const std::string& name) const { return station_.Read(name); }

    sim::Rz52xChip& PlugChip(sim::ChipConfig config = sim::StationChip()) { return bench.AddChip(std::move(config)); }

    // The start-up as the application runs it; the chip runs then go on the virtual clock.
    bool Start()
    {
        station_.WriteStationIni(stationIni);
        station_.WriteCisIni(cisIni);
        frame = MakeFrame(platform::AnsiToWide(Folder().string() + "/"));
        bool created = frame->OnCreate();
        if (created)
            frame->show();
        clock_.emplace();
        return created;
    }

    // The station's frame, as the program makes it.
    virtual std::unique_ptr<CMainFrame> MakeFrame(std::u16string programFolder)
    {
        return std::make_unique<CMainFrame>(document, std::move(programFolder));
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

    bool ShowsIcon(int port, UINT icon) const
    {
        return View().PortButton(port).Icon().toImage() == res::LoadIconResource(icon).toImage();
    }

    void ExpectCounters(const char* total, const char* pass, const char* fail) const
    {
        EXPECT_TRUE(frame->CounterPanesShown());
        EXPECT_EQ(frame->CounterPaneText(0), QString::fromLatin1(total));
        EXPECT_EQ(frame->CounterPaneText(1), QString::fromLatin1(pass));
        EXPECT_EQ(frame->CounterPaneText(2), QString::fromLatin1(fail));
    }

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
    // Devices a test adds to the bench's testbed: declared before the bench, so that they
    // outlive its attachments.
    std::vector<std::shared_ptr<void>> benchDevices;
    sim::ChipBench bench;
    CDevInfoDoc document;
    std::unique_ptr<CMainFrame> frame;

private:
    static int& Counter()
    {
        static int counter = 0;
        return counter;
    }

    sim::StationFolder station_;
    std::optional<platform::ScopedVirtualClock> clock_;
    std::mutex linesLock_;
    std::vector<std::string> lines_;

protected:
    const fs::path& Folder() const { return station_.Path(); }
    const sim::StationFolder& Station() const { return station_; }
};

} // namespace consoletest
