// A second station is refused while the first holds the instance mutex: the real program,
// started beside this test, shows the message and ends before it builds any window.
#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/instance/instance.h"
#include "platform/process/process.h"
#include "station_process.h"
#include "platform/text/text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(SecondInstance, IsRefusedWithTheMessageAndNoWindow)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("second-instance-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    HANDLE first = CreateNamedMutexW(nullptr, TRUE, u"Tarvo Fabrun");
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(GetLastError(), ERROR_SUCCESS);

    const std::string program = platform::WideToAnsi(platform::ProgramFolder()) + "Fabrun";
    const fs::path log = folder / "debug.log";
    pid_t child = consoletest::StartStationProcess(program, log.string());
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "MessageBox [Error Message]: The application is already running.\n") << "nothing else was started";

    HANDLE again = CreateNamedMutexW(nullptr, TRUE, u"Tarvo Fabrun");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS) << "the first instance still holds it";
    CloseHandle(again);
    CloseHandle(first);
    fs::remove_all(folder);
}

} // namespace
