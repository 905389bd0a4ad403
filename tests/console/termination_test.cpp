// Ctrl+C or SIGTERM ends the real program through its shut-down: the filter driver it
// switched on is switched off again and the process ends normally.
#include "platform/process/process.h"
#include "station_process.h"
#include "platform/text/text.h"
#include "sim/station/station_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

bool BecomesTrue(const auto& condition)
{
    for (int round = 0; round < 1000 && !condition(); ++round)
        usleep(10000);
    return condition();
}

class Termination : public ::testing::TestWithParam<int> {};

TEST_P(Termination, RequestClosesTheStationThroughItsShutDown)
{
    const int signal = GetParam();
    sim::StationFolder station(fs::temp_directory_path() / ("termination-" + std::to_string(getpid()) + "-" + std::to_string(signal)),
                               platform::WideToAnsi(platform::ProgramFolder()));
    station.WriteStationIni(station.DefaultStationIni());
    station.WriteCisIni(station.DefaultCisIni());
    station.WriteFirmware(0x8000, 7);
    station.CopyProgram("Fabrun");
    station.SetEnvironment();
    const std::string program = (station.Path() / "Fabrun").string();
    const std::string log = (station.Path() / "debug.log").string();

    pid_t child = consoletest::StartStationProcess(program, log);
    ASSERT_GT(child, 0);
    const bool started = BecomesTrue([&] { return station.Read("debug.log").find("Fabrun Version") != std::string::npos; });
    EXPECT_TRUE(started) << station.Read("debug.log");
    EXPECT_TRUE(BecomesTrue([&] { return station.Read("filter.log") == "e\n"; }));
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(BecomesTrue([&] { return station.Read("filter.log") == "e\nd\n"; })) << station.Read("filter.log");
    EXPECT_NE(station.Read("debug.log").find("Termination requested: closing the station"), std::string::npos);
    fs::remove_all(station.Path());
}

INSTANTIATE_TEST_SUITE_P(Signals, Termination, ::testing::Values(SIGINT, SIGTERM));

} // namespace
