#include "engine/spi/firmware_file.h"

#include "platform/base/handle.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"

#include <algorithm>
#include <string>

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle()
    {
        if (valid())
            CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

} // namespace

int ReadFirmwareFile(std::u16string_view path, std::span<BYTE> buffer, DWORD& size)
{
    const std::u16string name(path);
    FileHandle file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER fileSize{};
    if (!file.valid() || !GetFileSizeEx(file.get(), &fileSize)) {
        platform::DebugPrintf("  BinFile Open Error");
        return 0;
    }
    const DWORD wanted = static_cast<DWORD>(std::min<LONGLONG>(fileSize.QuadPart, static_cast<LONGLONG>(buffer.size())));
    DWORD done = 0;
    while (done < wanted) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.data() + done, wanted - done, &read, nullptr) || read == 0)
            break;
        done += read;
    }
    if (done != wanted) {
        platform::DebugPrintf("  BinFile Read Error: 0x%X of 0x%X bytes", done, wanted);
        return 0;
    }
    size = wanted;
    return 1;
}

int WriteFirmwareFile(std::u16string_view path, std::span<const BYTE> data)
{
    const std::u16string name(path);
    FileHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return 0;
    DWORD written = 0;
    return WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) && written == data.size() ? 1 : 0;
}
