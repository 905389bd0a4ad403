#include "fsbuild/iso9660/iso_file_data.h"

#include "fsbuild/core/status.h"

#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"

#include <algorithm>

namespace iso9660 {
namespace {

class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

} // namespace

int WriteIsoFileData(IsoBlockStream& out, const IsoNode& file)
{
    // Empty files are opened too: one that cannot be read is reported like any other.
    ScopedHandle source(CreateFileA(file.sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (source.get() == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf("WriteIsoFileData: cannot open %s (error %u)", file.sourcePath.c_str(), GetLastError());
        return FS_STATUS_READ_FAIL;
    }
    for (std::uint64_t left = file.size; left > 0;) {
        std::size_t room = 0;
        std::uint8_t* to = out.Room(room);
        if (to == nullptr)
            return FS_STATUS_WRITE_FAIL;
        auto want = static_cast<DWORD>(std::min<std::uint64_t>(room, left));
        DWORD got = 0;
        if (!ReadFile(source.get(), to, want, &got, nullptr) || got == 0) {
            platform::DebugPrintf("WriteIsoFileData: %s ends %llu bytes before its listed size (error %u)",
                                  file.sourcePath.c_str(), static_cast<unsigned long long>(left), GetLastError());
            return FS_STATUS_READ_FAIL;
        }
        out.Commit(got);
        left -= got;
    }
    return out.PadToBlock();
}

} // namespace iso9660
