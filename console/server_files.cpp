#include "console/server_files.h"

#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/shell/copy_file.h"
#include "platform/shell/process.h"
#include "platform/sync/sync.h"
#include "platform/sysdir/sysdir.h"
#include "platform/text/text.h"
#include "platform/version/file_version_text.h"

namespace {

constexpr const char16_t* kServerFile = u"Portwarden.ax";
constexpr const char16_t* kBuilderFile = u"Volkiln.dll";
constexpr DWORD kRegistrationTimeoutMs = 30000;

std::u16string SystemDirectory()
{
    char16_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::u16string(folder, length) : std::u16string();
}

bool Copy(const std::u16string& from, const std::u16string& to, std::u16string& problems)
{
    if (CopyFileW(from.c_str(), to.c_str(), FALSE))
        return true;
    DWORD error = GetLastError();
    platform::DebugPrintf("CopyFile %s -> %s failed (%u)", platform::WideToUtf8(from).c_str(), platform::WideToUtf8(to).c_str(), error);
    problems += platform::FormatWide("%s could not be copied to %s (error %u).\n", platform::WideToAnsi(from).c_str(),
                                     platform::WideToAnsi(to).c_str(), error);
    return false;
}

// Runs regsvr32 on the system copy and waits for its verdict.
bool Register(const std::u16string& programFolder, const std::u16string& serverCopy, std::u16string& problems)
{
    std::u16string command = u"\"" + programFolder + u"regsvr32.exe\" /s \"" + serverCopy + u"\"";
    STARTUPINFOW startup{sizeof(STARTUPINFOW), STARTF_USESHOWWINDOW, static_cast<WORD>(SW_HIDE)};
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        problems += platform::FormatWide("regsvr32 could not be started (error %u).\n", GetLastError());
        return false;
    }
    DWORD waited = WaitForSingleObject(started.hProcess, kRegistrationTimeoutMs);
    DWORD exitCode = STILL_ACTIVE;
    GetExitCodeProcess(started.hProcess, &exitCode);
    CloseHandle(started.hProcess);
    if (waited != WAIT_OBJECT_0) {
        problems += u"regsvr32 did not finish the registration in time.\n";
        return false;
    }
    if (exitCode != 0) {
        problems += platform::FormatWide("regsvr32 could not register %s (exit code %u).\n",
                                         platform::WideToAnsi(serverCopy).c_str(), exitCode);
        return false;
    }
    return true;
}

} // namespace

ServerInstallResult InstallServerFiles(const std::u16string& programFolder)
{
    ServerInstallResult result;
    const std::u16string systemFolder = SystemDirectory();
    if (systemFolder.empty()) {
        result.problems = u"The system folder is not known.\n";
        return result;
    }
    const std::u16string systemCopy = systemFolder + u"/" + kServerFile;
    const std::u16string programCopy = programFolder + kServerFile;
    const auto systemVersion = platform::ReadFileVersionText(systemCopy);
    const auto programVersion = platform::ReadFileVersionText(programCopy);
    if (systemVersion && programVersion && *systemVersion == *programVersion)
        return result;
    platform::DebugPrintf("Portwarden: program copy %s, system copy %s: installing",
                          programVersion ? platform::WideToUtf8(*programVersion).c_str() : "without version",
                          systemVersion ? platform::WideToUtf8(*systemVersion).c_str() : "without version");
    const bool serverCopied = Copy(programCopy, systemCopy, result.problems);
    const bool builderCopied = Copy(programFolder + kBuilderFile, systemFolder + u"/" + kBuilderFile, result.problems);
    // Registering a copy that is not there would only register what was there before.
    const bool registered = serverCopied && Register(programFolder, systemCopy, result.problems);
    result.copied = serverCopied && builderCopied && registered;
    return result;
}
