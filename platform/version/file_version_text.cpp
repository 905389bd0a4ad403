#include "platform/version/file_version_text.h"

#include "platform/text/text.h"
#include "platform/version/version.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

std::optional<std::u16string> ReadFileVersionText(const std::u16string& path)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), handle, size, block.data()))
        return std::nullopt;
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length) || length < 2 * sizeof(WORD))
        return std::nullopt;
    WORD translation[2];
    std::memcpy(translation, value, sizeof translation);
    std::u16string query = FormatWide("\\StringFileInfo\\%04x%04x\\FileVersion", translation[0], translation[1]);
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0)
        return std::nullopt;
    // At most 256 characters of the text are taken.
    return std::u16string(WideFieldView(static_cast<const char16_t*>(value), std::min<UINT>(length, 256)));
}

} // namespace platform
