// The main command's bench: plugs a simulated RZ522 into a fresh testbed, sets up a
// station folder beside the build's program folder (bench-station/, with a copy of Fabrun,
// so that the station writes its files there) and runs the unmodified Fabrun under the
// testbed until it ends. Run it under umockdev-wrapper. Without a display the station runs
// on Qt's offscreen platform: scripts/station-screenshots.sh shows what it looks like.
// With --flash-drive it runs the station in flash-drive mode on a simulated flash drive
// instead (flash_drive_bench.h), in this process.
#include "platform/process/process.h"
#include "platform/text/text.h"
#include "sim/chip/chip_bench.h"
#include "sim/station/flash_drive_bench.h"
#include "sim/station/station_chip.h"
#include "sim/station/station_folder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

volatile pid_t station = 0;

void PassOn(int signal)
{
    if (station > 0)
        kill(station, signal);
}

bool HasDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const bool flashDrive = argc == 2 && std::strcmp(argv[1], "--flash-drive") == 0;
    if (argc > 1 && !flashDrive) {
        std::fprintf(stderr, "usage: fabrun-station-bench [--flash-drive]\n");
        return 2;
    }
    try {
        const std::filesystem::path programs = platform::WideToAnsi(platform::ProgramFolder());
        sim::StationFolder folder(programs.parent_path().parent_path() / "bench-station", programs);
        folder.SetEnvironment();
        if (!HasDisplay())
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (flashDrive) {
            if (!HasDisplay())
                std::printf("== no display: the station runs offscreen (Ctrl+C ends it)\n");
            return sim::RunFlashDriveStation(argc, argv, folder, !HasDisplay());
        }
        folder.CopyProgram("Fabrun");
        folder.WriteStationIni(folder.DefaultStationIni());
        folder.WriteCisIni(folder.DefaultCisIni());
        folder.WriteFirmware(0x10000, 2024);

        sim::ChipBench bench;
        bench.AddChip(sim::StationChip());
        std::printf("== bench: a simulated RZ522 on port 1\n== station folder: %s\n", folder.Path().c_str());
        if (!HasDisplay())
            std::printf("== no display: the station runs offscreen (Ctrl+C ends it)\n");
        std::fflush(stdout);

        const std::string program = (folder.Path() / "Fabrun").string();
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        pid_t child = 0;
        if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
            std::fprintf(stderr, "fabrun-station-bench: %s could not be started\n", program.c_str());
            return 1;
        }
        station = child;
        std::signal(SIGINT, PassOn);
        std::signal(SIGTERM, PassOn);
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::printf("== the station ended (%d)\n", code);
        return code;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fabrun-station-bench: %s\n", error.what());
        return 1;
    }
}
