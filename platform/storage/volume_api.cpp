#include "platform/storage/volume_api.h"

#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/storage/drive_letters.h"

#include <cstring>
#include <mutex>

namespace {

// A snapshot of the volumes taken by FindFirstVolumeA.
class VolumeSearch final : public platform::HandleObject {
public:
    explicit VolumeSearch(std::vector<std::string> names) : names_(std::move(names)) {}
    // The next name, or nullptr at the end.
    const std::string* Next()
    {
        std::lock_guard guard(lock_);
        return next_ < names_.size() ? &names_[next_++] : nullptr;
    }

private:
    std::mutex lock_;
    std::vector<std::string> names_;
    std::size_t next_ = 0;
};

BOOL CopyName(const std::string& name, LPSTR buffer, DWORD bufferLength)
{
    std::string withSlash = name + "\\";
    if (buffer == nullptr || withSlash.size() + 1 > bufferLength) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    std::memcpy(buffer, withSlash.c_str(), withSlash.size() + 1);
    return TRUE;
}

} // namespace

HANDLE FindFirstVolumeA(LPSTR volumeName, DWORD bufferLength)
{
    std::vector<std::string> names;
    for (const platform::storage::Volume& volume : platform::storage::ListVolumes())
        names.push_back(volume.guidName);
    auto search = std::make_shared<VolumeSearch>(std::move(names));
    const std::string* first = search->Next();
    if (first == nullptr) {
        SetLastError(ERROR_NO_MORE_FILES);
        return INVALID_HANDLE_VALUE;
    }
    if (!CopyName(*first, volumeName, bufferLength))
        return INVALID_HANDLE_VALUE;
    return platform::IssueHandle(search);
}

BOOL FindNextVolumeA(HANDLE findVolume, LPSTR volumeName, DWORD bufferLength)
{
    auto search = platform::HandleAs<VolumeSearch>(findVolume);
    if (search == nullptr)
        return FALSE;
    const std::string* next = search->Next();
    if (next == nullptr) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return CopyName(*next, volumeName, bufferLength);
}

BOOL FindVolumeClose(HANDLE findVolume)
{
    if (platform::HandleAs<VolumeSearch>(findVolume) == nullptr)
        return FALSE;
    return CloseHandle(findVolume);
}

DWORD GetLogicalDrives()
{
    DWORD mask = 0;
    for (const platform::storage::LetteredVolume& entry : platform::storage::LetteredVolumes())
        mask |= 1u << (entry.letter - 'A');
    return mask;
}
