// Renders the main window of the station on the bench in the 16-port view: idle, while
// port 1 runs, after a pass, and after a fail (a chip whose programming fails), and the
// About box and the settings sheet with the chip page and with the flash-drive page, as PNG
// files in the folder given. Run it under umockdev-wrapper (scripts/station-screenshots.sh).
#include "console/about_dlg.h"
#include "console/fabrun_app.h"
#include "console/main_frame.h"
#include "console/port_view/port_view.h"
#include "console/settings/ps_sheet_setting.h"
#include "controls/icon_button.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/process/process.h"
#include "platform/text/text.h"
#include "sim/chip/chip_bench.h"
#include "sim/station/station_chip.h"
#include "sim/station/station_folder.h"

#include <QApplication>
#include <QProgressBar>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>

namespace fs = std::filesystem;

namespace {

bool WaitFor(const std::function<bool()>& done)
{
    QTimer tick;
    tick.start(20);
    for (int round = 0; round < 15000 && !done(); ++round)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

bool Save(QWidget& window, const fs::path& file)
{
    QCoreApplication::processEvents();
    bool saved = window.grab().save(QString::fromStdString(file.string()));
    std::printf("%s %s\n", saved ? "wrote" : "could not write", file.c_str());
    return saved;
}

// The settings sheet with the page of the frame's mode, as the Setting command opens it;
// closed with Cancel.
bool SaveSettingsSheet(CMainFrame& frame, const fs::path& file)
{
    bool saved = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* sheet = qobject_cast<CPSheetSetting*>(widget); sheet != nullptr && sheet->isVisible()) {
                QCoreApplication::processEvents();
                saved = sheet->grab().save(QString::fromStdString(file.string()));
                sheet->reject();
            }
    });
    frame.OnSetting();
    std::printf("%s %s\n", saved ? "wrote" : "could not write", file.c_str());
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fabrun-station-screenshots OUTPUT_FOLDER\n");
        return 1;
    }
    try {
        const fs::path output = argv[1];
        fs::create_directories(output);
        const fs::path programs = platform::WideToAnsi(platform::ProgramFolder());
        sim::StationFolder folder(programs.parent_path().parent_path() / "screenshot-station", programs);
        folder.WriteStationIni(folder.DefaultStationIni());
        folder.WriteCisIni(folder.DefaultCisIni());
        folder.WriteFirmware(0x10000, 2024);
        folder.CopyProgram("Fabrun"); // whose version the About box names
        folder.SetEnvironment();
        // A screen larger than the window, so that it takes its full 1024 x 768.
        folder.Write("screen.json", R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1280, "height": 1024,)"
                                    R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + (folder.Path() / "screen.json").string()).c_str(), 1);

        sim::ChipBench bench;
        sim::Rz52xChip* chip = &bench.AddChip(sim::StationChip());
        CFabrunApp application(argc, argv);
        CDevInfoDoc document;
        auto frame = std::make_unique<CMainFrame>(document, platform::AnsiToWide(folder.Path().string() + "/"));
        if (!frame->OnCreate()) {
            std::fprintf(stderr, "fabrun-station-screenshots: the station did not start\n");
            return 1;
        }
        frame->show();
        application.BuildVersionBanner();
        frame->setWindowTitle(QString::fromStdU16String(application.TitleBanner));
        CPortView& view = *frame->PortView();
        QProgressBar& bar = view.PortProgressBar(0);

        bool ok = Save(*frame, output / "16-port-idle.png");
        view.PortButton(0).click();
        ok = WaitFor([&] { return bar.value() > 0 && bar.value() < 1200; }) && Save(*frame, output / "16-port-running.png") && ok;
        ok = WaitFor([&] { return !view.WorkerBusy(0); }) && Save(*frame, output / "16-port-pass.png") && ok;

        bench.Unplug(*chip);
        WaitFor([&] { return !view.PortButton(0).isEnabled(); });
        chip = &bench.AddChip(sim::StationChip(true));
        WaitFor([&] { return view.PortButton(0).isEnabled(); });
        frame->OnAutoRun();
        ok = WaitFor([&] { return !view.WorkerBusy(0); }) && Save(*frame, output / "16-port-fail.png") && ok;

        {
            CAboutDlg about(*frame, frame.get()); // gone before the frame that owns it
            about.OnInitDialog();
            about.show();
            ok = Save(about, output / "about-box.png") && ok;
        }
        ok = SaveSettingsSheet(*frame, output / "settings-chip-page.png") && ok;
        // The flash-drive page, as the sheet shows it while FabrunMode bit 0 is set.
        frame->FabrunMode |= kFabrunModeFlashDrive;
        ok = SaveSettingsSheet(*frame, output / "settings-flash-drive-page.png") && ok;
        frame->FabrunMode &= ~kFabrunModeFlashDrive;
        frame.reset();
        return ok ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fabrun-station-screenshots: %s\n", error.what());
        return 1;
    }
}
