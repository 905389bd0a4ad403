// Small conveniences over the registry calls for tests.
#pragma once

#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fabrun_test {

inline HKEY CreateKey(HKEY parent, const char* path, REGSAM access = KEY_ALL_ACCESS)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
}

inline LSTATUS SetText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

// The value's bytes as text (a closing NUL included), or "<error N>".
inline std::string ValueBytes(HKEY key, const char* name)
{
    DWORD type = 0, size = 0;
    LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    std::string data(size, '\0');
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    return status == ERROR_SUCCESS ? data : "<error " + std::to_string(status) + ">";
}

inline std::vector<std::string> SubkeyNames(HKEY key)
{
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[1024];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return names;
        names.emplace_back(name, length);
    }
}

inline bool KeyExists(HKEY parent, const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(parent, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace fabrun_test
