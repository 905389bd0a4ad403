#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/shell/process.h"
#include "platform/text/text.h"

#include <string>

UINT WinExec(LPCSTR commandLine, UINT showCommand)
{
    if (commandLine == nullptr)
        return ERROR_FILE_NOT_FOUND;
    std::u16string command = platform::AnsiToWide(commandLine);
    STARTUPINFOW startup{sizeof(STARTUPINFOW), STARTF_USESHOWWINDOW, static_cast<WORD>(showCommand)};
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_FORMAT
                   ? error
                   : error == ERROR_ACCESS_DENIED ? ERROR_BAD_FORMAT : 0;
    }
    CloseHandle(started.hProcess);
    return 33;
}
