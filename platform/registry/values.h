// Whole values and keys closed at the end of a scope: what every reader of the store
// would otherwise repeat around the Reg* calls.
#pragma once

#include "platform/registry/registry.h"

#include <string>
#include <vector>

constexpr LSTATUS ERROR_INVALID_DATA = 13;

namespace platform::registry {

// An open key, closed when it goes out of scope.
class ScopedKey {
public:
    ScopedKey() = default;
    ~ScopedKey()
    {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    PHKEY out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// A value's type and bytes; ERROR_FILE_NOT_FOUND when the key has no such value.
LSTATUS QueryValue(HKEY key, const char* name, DWORD& type, std::vector<BYTE>& data);
// A REG_SZ value without its terminating NUL; ERROR_INVALID_DATA when it is of another type.
LSTATUS QueryString(HKEY key, const char* name, std::string& text);
// Sets a value unless it already holds these bytes of this type, so that reading an
// unchanged record again costs no rewrite of the store.
LSTATUS KeepValue(HKEY key, const char* name, DWORD type, const std::vector<BYTE>& data);
LSTATUS KeepString(HKEY key, const char* name, const std::string& text);

} // namespace platform::registry
