#include "platform/registry/values.h"

namespace platform::registry {

LSTATUS QueryValue(HKEY key, const char* name, DWORD& type, std::vector<BYTE>& data)
{
    // Every call checks the store file: one call with room for the usual short value, a
    // second only for a longer one, and again when it grew meanwhile (another process).
    constexpr DWORD kUsualSize = 256;
    std::vector<BYTE> read(kUsualSize);
    while (true) {
        DWORD size = static_cast<DWORD>(read.size());
        LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, read.data(), &size);
        if (status == ERROR_MORE_DATA) {
            read.resize(size);
            continue;
        }
        if (status == ERROR_SUCCESS) {
            read.resize(size);
            data = std::move(read);
        }
        return status;
    }
}

LSTATUS QueryString(HKEY key, const char* name, std::string& text)
{
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (LSTATUS status = QueryValue(key, name, type, data); status != ERROR_SUCCESS)
        return status;
    if (type != REG_SZ)
        return ERROR_INVALID_DATA;
    text.assign(data.begin(), data.end());
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return ERROR_SUCCESS;
}

LSTATUS KeepValue(HKEY key, const char* name, DWORD type, const std::vector<BYTE>& data)
{
    DWORD heldType = REG_NONE;
    std::vector<BYTE> held;
    if (QueryValue(key, name, heldType, held) == ERROR_SUCCESS && heldType == type && held == data)
        return ERROR_SUCCESS;
    return RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

LSTATUS KeepString(HKEY key, const char* name, const std::string& text)
{
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    return KeepValue(key, name, REG_SZ, data);
}

} // namespace platform::registry
