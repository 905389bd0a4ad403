#include "engine/datablocks/data_file.h"

#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/text/text.h"

#include <algorithm>
#include <string>

DataFile ReadDataFile(std::u16string_view path, ULONGLONG wanted, ULONGLONG largest)
{
    const std::u16string name(path);
    const std::string narrow = platform::WideToAnsi(name);
    HANDLE file = name.empty() ? INVALID_HANDLE_VALUE
                               : CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size{};
    if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size)) {
        platform::DebugPrintf("  Cannot open \"%s\"", narrow.c_str());
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return {DataFile::CannotOpen, {}};
    }
    const auto fileSize = static_cast<ULONGLONG>(size.QuadPart);
    if (fileSize > largest) {
        platform::DebugPrintf("  \"%s\" holds 0x%llX bytes, more than 0x%llX", narrow.c_str(),
                              static_cast<unsigned long long>(fileSize), static_cast<unsigned long long>(largest));
        CloseHandle(file);
        return {DataFile::TooLarge, {}};
    }
    DataFile result{DataFile::Read, std::vector<BYTE>(static_cast<std::size_t>(std::min(fileSize, wanted)))};
    std::size_t done = 0;
    while (done < result.bytes.size()) {
        DWORD read = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(result.bytes.size() - done, 1u << 20));
        if (!ReadFile(file, result.bytes.data() + done, chunk, &read, nullptr) || read == 0)
            break;
        done += read;
    }
    CloseHandle(file);
    if (done != result.bytes.size() || (wanted != kWholeFile && fileSize < wanted)) {
        platform::DebugPrintf("  \"%s\": 0x%zX bytes read, 0x%llX wanted", narrow.c_str(), done,
                              static_cast<unsigned long long>(wanted));
        result.status = DataFile::ShortRead;
    }
    return result;
}
