#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/fileapi/drive_paths.h"
#include "platform/fileapi/file_status.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fnmatch.h>
#include <mutex>

namespace {

class FileSearch final : public platform::HandleObject {
public:
    FileSearch(DIR* dir, std::string folder, std::string pattern)
        : dir_(dir), folder_(std::move(folder)), pattern_(std::move(pattern))
    {
    }
    ~FileSearch() override { ::closedir(dir_); }

    // The next listed entry; false with the last error set at the end or on a failure.
    bool Next(WIN32_FIND_DATAA& data)
    {
        std::lock_guard guard(lock_);
        for (;;) {
            errno = 0;
            dirent* entry = ::readdir(dir_);
            if (entry == nullptr) {
                SetLastError(errno == 0 ? ERROR_NO_MORE_FILES : platform::ErrorFromErrno(errno));
                return false;
            }
            if (!Matches(entry->d_name))
                continue;
            std::string path = folder_ + "/" + entry->d_name;
            platform::FileStatus status;
            if (!platform::ReadFileStatus(path, status)) {
                platform::DebugPrintf("FindNextFile: %s vanished while listed", path.c_str());
                continue;
            }
            if (!status.listable) {
                platform::DebugPrintf("FindNextFile: %s is neither a file nor a folder: not listed", path.c_str());
                continue;
            }
            Fill(data, entry->d_name, status);
            return true;
        }
    }

private:
    bool Matches(const char* name) const
    {
        if (pattern_ == "*" || pattern_ == "*.*")
            return true;
        return ::fnmatch(pattern_.c_str(), name, FNM_NOESCAPE | FNM_CASEFOLD) == 0;
    }

    static void Fill(WIN32_FIND_DATAA& data, const char* name, const platform::FileStatus& status)
    {
        std::memset(&data, 0, sizeof data);
        data.dwFileAttributes = status.attributes;
        data.ftCreationTime = status.creation;
        data.ftLastAccessTime = status.lastAccess;
        data.ftLastWriteTime = status.lastWrite;
        data.nFileSizeHigh = static_cast<DWORD>(status.size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(status.size);
        std::strncpy(data.cFileName, name, sizeof data.cFileName - 1); // Linux names are at most 255 bytes
    }

    std::mutex lock_;
    DIR* dir_;
    std::string folder_;
    std::string pattern_;
};

} // namespace

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data)
{
    if (pattern == nullptr || data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string text = pattern;
    std::size_t cut = text.find_last_of("/\\");
    std::string folder = cut == std::string::npos ? "." : text.substr(0, cut);
    std::string namePattern = cut == std::string::npos ? text : text.substr(cut + 1);
    if (folder.empty() || (platform::IsDrivePath(folder) && folder.size() == 2))
        folder += "/";
    auto linuxFolder = platform::LinuxPathOf(folder);
    if (!linuxFolder) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* dir = ::opendir(linuxFolder->c_str());
    if (dir == nullptr) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : platform::ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<FileSearch>(dir, *linuxFolder, namePattern);
    if (!search->Next(*data)) {
        if (GetLastError() == ERROR_NO_MORE_FILES)
            SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return platform::IssueHandle(search);
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data)
{
    auto search = platform::HandleAs<FileSearch>(find);
    if (search == nullptr)
        return FALSE;
    if (data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return search->Next(*data) ? TRUE : FALSE;
}

BOOL FindClose(HANDLE find)
{
    if (platform::HandleAs<FileSearch>(find) == nullptr)
        return FALSE;
    return CloseHandle(find);
}
