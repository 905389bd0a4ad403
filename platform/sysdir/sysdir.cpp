#include "platform/sysdir/sysdir.h"

#include "platform/base/lasterror.h"
#include "platform/text/text.h"

#include <cstdlib>
#include <string>

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size)
{
    const char* configured = std::getenv("FABRUN_SYSTEM_DIR");
    std::string folder = configured != nullptr && *configured != '\0' ? configured : FABRUN_SYSTEM_DIR_DEFAULT;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::u16string wide = platform::AnsiToWide(folder);
    if (buffer == nullptr || size <= wide.size())
        return static_cast<UINT>(wide.size() + 1);
    platform::CopyWideToWideField(buffer, size, wide);
    SetLastError(ERROR_SUCCESS);
    return static_cast<UINT>(wide.size());
}
