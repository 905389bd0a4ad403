#include "platform/profile/profile.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/profile/profile_state.h"
#include "platform/text/text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string_view>

namespace platform::profile {

ProfileState& State()
{
    static ProfileState* state = new ProfileState; // outlives every static destructor that may still log
    return *state;
}

void ReportWriteFailure(const char* who, const std::string& path, int cause)
{
    platform::DebugPrintf("%s: cannot write %s: %s", who, path.c_str(), std::strerror(cause));
    // The file itself is created when absent, so a missing entry is its folder.
    SetLastError(cause == ENOENT ? ERROR_PATH_NOT_FOUND : platform::ErrorFromErrno(cause));
}

} // namespace platform::profile

namespace {

// Windows copies the default without its trailing blanks.
std::u16string DefaultWithoutTrailingBlanks(LPCWSTR defaultValue)
{
    std::u16string value = defaultValue != nullptr ? std::u16string(defaultValue) : std::u16string();
    value.erase(std::min(value.size(), value.find_last_not_of(u" \t") + 1));
    return value;
}

} // namespace

DWORD GetPrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR defaultValue, LPWSTR returnedString,
                               DWORD size, LPCWSTR fileName)
{
    if (returnedString == nullptr || size == 0 || fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    returnedString[0] = u'\0';
    if (appName == nullptr || keyName == nullptr) {
        platform::DebugPrintf("GetPrivateProfileStringW: section and key enumeration is not supported");
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    std::string path = platform::WideToAnsi(fileName);
    std::u16string value = DefaultWithoutTrailingBlanks(defaultValue);
    DWORD error = ERROR_FILE_NOT_FOUND;
    {
        auto& state = platform::profile::State();
        std::lock_guard guard(state.lock);
        platform::profile::IniDocument* document = state.cache.Current(path);
        if (document == nullptr) {
            platform::DebugPrintf("GetPrivateProfileStringW: cannot read %s: %s", path.c_str(), std::strerror(errno));
        } else if (auto found = document->Find(appName, keyName)) {
            value = std::move(*found);
            error = ERROR_SUCCESS;
        }
    }
    // Cut to size-1 units without regard to surrogate pairs: callers grow their buffer
    // while the result is size-1, and a shorter cut would end that loop too early.
    DWORD copied = static_cast<DWORD>(std::min<std::size_t>(value.size(), size - 1));
    std::memcpy(returnedString, value.data(), copied * sizeof(char16_t));
    returnedString[copied] = u'\0';
    SetLastError(error);
    return copied;
}

BOOL WritePrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR value, LPCWSTR fileName)
{
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (appName == nullptr || keyName == nullptr || value == nullptr) {
        platform::DebugPrintf("WritePrivateProfileStringW: flushing and deleting keys or sections is not supported");
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    std::string path = platform::WideToAnsi(fileName);
    auto& state = platform::profile::State();
    std::lock_guard guard(state.lock);
    platform::profile::IniDocument* document = state.cache.Current(path);
    // An existing file we cannot read must not be replaced by one holding only this key.
    bool written = document != nullptr;
    if (written) {
        if (!document->Set(appName, keyName, value)) {
            platform::DebugPrintf("WritePrivateProfileStringW: refused a name or value that would not read back (%s)",
                                  path.c_str());
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (auto* batch = platform::profile::InnermostBatch())
            batch->Track(path, state.cache);
        else
            written = state.cache.Store(path);
    }
    if (!written) {
        platform::profile::ReportWriteFailure("WritePrivateProfileStringW", path, errno);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
