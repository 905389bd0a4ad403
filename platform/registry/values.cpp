#include "platform/registry/values.h"

namespace platform::registry {

LSTATUS QueryValue(HKEY key, const char* name, DWORD& type, std::vector<BYTE>& data)
{
    DWORD size = 0;
    LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    // The value may grow between the two calls (another process): ask again.
    while (status == ERROR_SUCCESS) {
        data.resize(size);
        status = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
        if (status == ERROR_SUCCESS)
            data.resize(size);
        if (status != ERROR_MORE_DATA)
            break;
        status = ERROR_SUCCESS;
    }
    return status;
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
