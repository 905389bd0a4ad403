#include "sim/station/flash_drive_bench.h"

#include "console/fabrun_app.h"
#include "console/port_view/port_view.h"
#include "controls/icon_button.h"
#include "platform/text/text.h"
#include "sim/core/testbed.h"
#include "sim/station/flash_drive_files.h"
#include "sim/station/flash_drive_frame.h"
#include "sim/station/station_flash_drive.h"

#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace sim {
namespace {

// The application as the program runs it, with the flash-drive station's frame over the
// bench's station folder.
class FlashDriveStationApp : public CFabrunApp {
public:
    FlashDriveStationApp(int& argc, char** argv, std::u16string folder) : CFabrunApp(argc, argv), folder_(std::move(folder)) {}

protected:
    std::unique_ptr<CMainFrame> MakeMainFrame(CDevInfoDoc& document) override
    {
        return std::make_unique<FlashDriveFrame>(document, folder_);
    }

private:
    std::u16string folder_;
};

// The status of the last run that the result log holds ("" without one).
std::string LastLoggedStatus(const CMainFrame& frame)
{
    std::ifstream log(platform::WideToAnsi(frame.CisSetting.LogFilePath.str()));
    std::string status;
    for (std::string line; std::getline(log, line);)
        if (line.rfind("Status=", 0) == 0)
            status = line.substr(7);
    if (!status.empty() && status.back() == '\r')
        status.pop_back();
    return status;
}

// Port 1 started as its button starts it; its result printed as its tile shows it and as
// the result log has it.
void RunPortOne(CMainFrame& frame)
{
    CPortView& view = *frame.PortView();
    if (!view.PortButton(0).isEnabled()) {
        std::printf("Port 1: no drive found\n");
        std::fflush(stdout);
        return;
    }
    std::printf("== port 1: the whole flash-drive sequence, as its button runs it\n");
    std::fflush(stdout);
    view.PortButton(0).click();
    auto* poll = new QTimer(&frame);
    QObject::connect(poll, &QTimer::timeout, &frame, [poll, &view, &frame] {
        if (view.WorkerBusy(0))
            return;
        poll->stop();
        poll->deleteLater();
        std::printf("Port 1: %s", view.PortButton(0).toolTip().toUtf8().constData());
        if (view.RateLabel(0, true).isVisible())
            std::printf(" (%s, %s)", view.RateLabel(0, true).text().toUtf8().constData(),
                        view.RateLabel(0, false).text().toUtf8().constData());
        const std::string status = LastLoggedStatus(frame);
        if (!status.empty())
            std::printf("; result log: %s", status.c_str());
        std::printf("\n== the station runs on until Ctrl+C\n");
        std::fflush(stdout);
    });
    poll->start(50);
}

} // namespace

int RunFlashDriveStation(int argc, char** argv, const StationFolder& folder, bool headless)
{
    const nand::NandConfig flash = StationFlash();
    folder.WriteStationIni("[Setting]\nDevNoView=32\nCISSettingFilePath=" + (folder.Path() / "DefaultCIS.ini").string() + "\n");
    folder.WriteCisIni(WriteFlashDriveFiles(folder, flash.geometry));

    // The drive before the testbed: its nodes must outlive the testbed's attachments.
    StationFlashDrive drive(flash, RootPortPlacement(1), "BENCH0001");
    Testbed testbed;
    BenchHub(RootHubSpec(1, 4)).Add(testbed);
    drive.drive.Add(testbed);
    std::printf("== bench: a simulated flash drive with NAND on port 1\n== station folder: %s\n", folder.Path().c_str());
    std::fflush(stdout);

    FlashDriveStationApp application(argc, argv, platform::AnsiToWide(folder.Path().string() + "/"));
    if (!application.InitInstance())
        return 1;
    if (headless)
        QTimer::singleShot(0, application.MainFrame(), [&application] { RunPortOne(*application.MainFrame()); });
    const int code = application.exec();
    std::printf("== the station ended (%d)\n", code);
    return code;
}

} // namespace sim
