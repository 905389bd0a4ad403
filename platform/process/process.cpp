#include "platform/process/process.h"

#include "platform/base/lasterror.h"
#include "platform/text/text.h"

#include <climits>
#include <unistd.h>

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size)
{
    if (module != nullptr || fileName == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length < 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return 0;
    }
    std::u16string wide = platform::AnsiToWide(std::string_view(path, static_cast<std::size_t>(length)));
    std::size_t copied = platform::CopyWideToWideField(fileName, size, wide);
    if (copied < wide.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(copied);
}

namespace platform {

void SplitDriveAndFolder(const std::u16string& path, std::u16string& drive, std::u16string& folder)
{
    drive.clear();
    auto slash = path.find_last_of(u'/');
    folder = slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

std::u16string ProgramFolder()
{
    char16_t path[PATH_MAX];
    DWORD length = GetModuleFileNameW(nullptr, path, PATH_MAX);
    std::u16string drive, folder;
    SplitDriveAndFolder(std::u16string(path, length), drive, folder);
    return folder;
}

} // namespace platform
