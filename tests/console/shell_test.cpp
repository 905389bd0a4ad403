// Copies, program starts and the system folder.
#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/clock/clock.h"
#include "platform/process/process.h"
#include "platform/shell/command_line.h"
#include "platform/shell/copy_file.h"
#include "platform/shell/process.h"
#include "platform/sync/sync.h"
#include "platform/sysdir/sysdir.h"
#include "platform/text/text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ShellFiles : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder_); }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path File(const std::string& name, const std::string& contents, fs::perms permissions = fs::perms::owner_read | fs::perms::owner_write)
    {
        fs::path path = folder_ / name;
        std::ofstream(path) << contents;
        fs::permissions(path, permissions);
        return path;
    }

    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static std::u16string Wide(const fs::path& path) { return platform::AnsiToWide(path.string()); }

    fs::path folder_ = fs::temp_directory_path() / ("shell-test-" + std::to_string(getpid()));
};

TEST_F(ShellFiles, CopyReplacesTheTargetAndKeepsPermissions)
{
    fs::path source = File("Portwarden.so", "new server", fs::perms::owner_all);
    fs::path target = File("old.so", "old server, longer than the new one");
    ASSERT_TRUE(CopyFileW(Wide(source).c_str(), Wide(target).c_str(), FALSE));
    EXPECT_EQ(Read(target), "new server");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2) << "no temporary file is left";
}

TEST_F(ShellFiles, CopyFailuresAreReported)
{
    fs::path source = File("a", "a");
    fs::path existing = File("b", "b");
    EXPECT_FALSE(CopyFileW(Wide(source).c_str(), Wide(existing).c_str(), TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(Read(existing), "b");
    EXPECT_TRUE(CopyFileW(Wide(source).c_str(), Wide(folder_ / "c").c_str(), TRUE));
    EXPECT_FALSE(CopyFileW(Wide(folder_ / "missing").c_str(), Wide(folder_ / "d").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CopyFileW(Wide(source).c_str(), Wide(folder_ / "no-folder" / "e").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 3);
}

TEST(CommandLine, WordsAndQuotes)
{
    using Words = std::vector<std::string>;
    EXPECT_EQ(platform::SplitCommandLine("regsvr32.exe /s /sys/Portwarden.so"), (Words{"regsvr32.exe", "/s", "/sys/Portwarden.so"}));
    EXPECT_EQ(platform::SplitCommandLine("  a\t\"b c\"  \"\" d\"e f\""), (Words{"a", "b c", "", "de f"}));
    EXPECT_TRUE(platform::SplitCommandLine("   ").empty());
}

TEST_F(ShellFiles, ProgramsAreFoundInTheProgramFolder)
{
    // Our own program, named the Windows way from its folder.
    EXPECT_EQ(platform::ResolveProgram("console_platform_test.exe"), platform::WideToAnsi(platform::ProgramFolder()) + "console_platform_test");
    fs::path script = File("tool", "#!/bin/sh\n", fs::perms::owner_all);
    EXPECT_EQ(platform::ResolveProgram((folder_.string() + "/tool.EXE")), script.string());
    std::string windowsShaped = folder_.string() + "/tool";
    for (char& c : windowsShaped)
        if (c == '/')
            c = '\\';
    EXPECT_EQ(platform::ResolveProgram("\\" + windowsShaped.substr(1)), script.string()) << "backslashes are separators";
    EXPECT_EQ(platform::ResolveProgram("Driver\\missing.exe"), "");
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    File("data", "not a program");
    EXPECT_EQ(platform::ResolveProgram(folder_.string() + "/data"), "");
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(ShellFiles, StartedProgramCanBeAwaitedWithItsExitCode)
{
    fs::path log = folder_ / "log";
    fs::path script = File("recorder", "#!/bin/sh\necho \"$@\" > \"" + log.string() + "\"\nexit 3\n", fs::perms::owner_all);
    std::u16string command = Wide(script) + u" e \"two words\"";
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started));
    EXPECT_EQ(started.hThread, nullptr);
    ASSERT_EQ(WaitForSingleObject(started.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeProcess(started.hProcess, &exitCode));
    EXPECT_EQ(exitCode, 3u);
    EXPECT_EQ(Read(log), "e two words\n");
    EXPECT_TRUE(CloseHandle(started.hProcess));
}

TEST_F(ShellFiles, RunningProgramTimesOutOnTheVirtualClock)
{
    fs::path gate = folder_ / "gate";
    fs::path script = File("waiter", "#!/bin/sh\nwhile [ ! -e \"" + gate.string() + "\" ]; do sleep 0.01; done\n", fs::perms::owner_all);
    std::u16string command = Wide(script);
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started));
    {
        platform::ScopedVirtualClock clock;
        EXPECT_EQ(WaitForSingleObject(started.hProcess, 30000), WAIT_TIMEOUT);
        DWORD exitCode = 0;
        EXPECT_TRUE(GetExitCodeProcess(started.hProcess, &exitCode));
        EXPECT_EQ(exitCode, STILL_ACTIVE);
    }
    std::ofstream(gate) << "";
    EXPECT_EQ(WaitForSingleObject(started.hProcess, INFINITE), WAIT_OBJECT_0);
    CloseHandle(started.hProcess);
}

TEST_F(ShellFiles, WinExecResultCodes)
{
    fs::path script = File("quick", "#!/bin/sh\nexit 0\n", fs::perms::owner_all);
    EXPECT_GT(WinExec(script.string().c_str(), SW_HIDE), 31u);
    EXPECT_EQ(WinExec("Driver\\RZ87XFilterInst.exe e", SW_HIDE), ERROR_FILE_NOT_FOUND);
    fs::path noShebang = File("broken", "\x7f" "ELF garbage", fs::perms::owner_all);
    EXPECT_EQ(WinExec(noShebang.string().c_str(), SW_HIDE), ERROR_BAD_FORMAT);
}

TEST(SystemDirectory, EnvironmentOverridesAndWindowsSizeRules)
{
    setenv("FABRUN_SYSTEM_DIR", "/srv/station/system//", 1);
    char16_t buffer[64];
    EXPECT_EQ(GetSystemDirectoryW(buffer, 64), 19u);
    EXPECT_EQ(std::u16string(buffer), u"/srv/station/system");
    EXPECT_EQ(GetSystemDirectoryW(buffer, 19), 20u) << "too small: the size needed, with the NUL";
    unsetenv("FABRUN_SYSTEM_DIR");
    UINT length = GetSystemDirectoryW(buffer, 64);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(buffer[0], u'/') << "the configured folder";
}

} // namespace
