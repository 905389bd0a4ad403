// Start-up of the station to a responsive window on the bench: a simulated RZ522 on port
// 1, a station folder of its own, the real main frame. Prints, in milliseconds, the time
// from the program's start to main, the application object, and each start-up from the
// frame's creation to the first event the shown window handles: once with the server
// installed and registered (empty system folder), then the usual start with equal server
// versions. Goal: under 1000 ms to a responsive window. Run it under umockdev-wrapper.
#include "console/fabrun_app.h"
#include "console/main_frame.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/base/handle.h"
#include "platform/instance/instance.h"
#include "platform/process/process.h"
#include "platform/text/text.h"
#include "sim/chip/chip_bench.h"
#include "sim/station/station_chip.h"
#include "sim/station/station_folder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration elapsed)
{
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

// From the kernel's start time of this process to now; the kernel counts in clock ticks.
double SinceProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int n = 3; n < 22; ++n)
        fields >> field;
    unsigned long long startTicks = 0;
    fields >> startTicks;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    double nowMs = static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
    return nowMs - static_cast<double>(startTicks) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct StartTimes {
    double toResponsive;
    double shutDown;
};

// One start-up as CFabrunApp::InitInstance runs it, to the first event the window handles.
StartTimes StartOnce(const sim::StationFolder& folder)
{
    const auto begin = Clock::now();
    HANDLE instance = CreateNamedMutexW(nullptr, TRUE, u"Tarvo Fabrun");
    CDevInfoDoc document;
    document.OnNewDocument();
    auto frame = std::make_unique<CMainFrame>(document, platform::AnsiToWide(folder.Path().string() + "/"));
    if (!frame->OnCreate()) {
        std::fprintf(stderr, "startup_benchmark: the station did not start\n");
        std::exit(1);
    }
    frame->show();
    bool handled = false;
    QMetaObject::invokeMethod(frame.get(), [&] { handled = true; }, Qt::QueuedConnection);
    while (!handled)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    const auto responsive = Clock::now();
    frame.reset();
    CloseHandle(instance);
    return {Milliseconds(responsive - begin), Milliseconds(Clock::now() - responsive)};
}

} // namespace

int main(int argc, char** argv)
{
    const double toMain = SinceProcessStart();
    const std::filesystem::path programs = platform::WideToAnsi(platform::ProgramFolder());
    sim::StationFolder folder(programs.parent_path().parent_path() / "benchmark-station", programs);
    folder.WriteStationIni(folder.DefaultStationIni());
    folder.WriteCisIni(folder.DefaultCisIni() + "DisableFilterDrv=0x01\n");
    folder.WriteFirmware(0x10000, 2024);
    folder.SetEnvironment();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    sim::ChipBench bench;
    bench.AddChip(sim::StationChip());

    const auto beforeApplication = Clock::now();
    CFabrunApp application(argc, argv);
    application.BuildVersionBanner();
    const double applicationMs = Milliseconds(Clock::now() - beforeApplication);

    const StartTimes installing = StartOnce(folder);
    std::vector<double> usual;
    double shutDown = installing.shutDown;
    for (int run = 0; run < 5; ++run) {
        StartTimes times = StartOnce(folder);
        std::printf("usual start-up %d:                    %8.1f ms (shut-down %.1f ms)\n", run + 1, times.toResponsive, times.shutDown);
        usual.push_back(times.toResponsive);
        shutDown = std::max(shutDown, times.shutDown);
    }
    std::sort(usual.begin(), usual.end());

    std::printf("program start to main:               %8.1f ms (kernel clock ticks)\n", toMain);
    std::printf("application object:                  %8.1f ms\n", applicationMs);
    std::printf("start-up, server installed:          %8.1f ms to a responsive window\n", installing.toResponsive);
    std::printf("start-up, usual (median of %zu):       %8.1f ms to a responsive window (min %.1f, max %.1f)\n",
                usual.size(), usual[usual.size() / 2], usual.front(), usual.back());
    std::printf("program start to responsive (usual): %8.1f ms, goal under 1000 ms\n", toMain + applicationMs + usual[usual.size() / 2]);
    std::printf("shut-down, longest:                  %8.1f ms\n", shutDown);
    return 0;
}
