#include "platform/version/version.h"

#include "platform/base/lasterror.h"
#include "platform/text/text.h"
#include "platform/version/elf_section.h"
#include "platform/version/version_block.h"

#include <cstring>
#include <sys/stat.h>

namespace {

constexpr const char* kVersionSection = ".fabrun_version";

// The decoded block of the file; empty with the last error set when there is none.
std::vector<BYTE> LoadVersionBlock(LPCWSTR fileName)
{
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return {};
    }
    std::string path = platform::WideToAnsi(fileName);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return {};
    }
    auto section = platform::ReadElfSection(path, kVersionSection);
    std::vector<BYTE> block = section ? platform::BuildVersionBlock(*section) : std::vector<BYTE>{};
    if (block.empty())
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return block;
}

} // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle)
{
    if (handle != nullptr)
        *handle = 0;
    return static_cast<DWORD>(LoadVersionBlock(fileName).size());
}

BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD, DWORD length, LPVOID data)
{
    std::vector<BYTE> block = LoadVersionBlock(fileName);
    if (block.empty())
        return FALSE;
    if (data == nullptr || length < block.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length)
{
    if (block == nullptr || subBlock == nullptr || buffer == nullptr || length == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const void* value = nullptr;
    UINT size = 0;
    if (!platform::QueryVersionBlock(block, subBlock, value, size)) {
        *buffer = nullptr;
        *length = 0;
        return FALSE;
    }
    *buffer = const_cast<void*>(value);
    *length = size;
    return TRUE;
}
