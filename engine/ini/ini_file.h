// One INI file, read and written key by key through the private-profile functions. The
// object holds only the path: nothing stays open, and several objects on one file see
// each other's writes at once.
#pragma once

#include "platform/base/wintypes.h"

#include <exception>
#include <string>
#include <string_view>

// Raised when a write cannot be done.
class CIniFileException : public std::exception {
public:
    const char* what() const noexcept override { return "INI file write failed"; }
};

class CIniFile {
public:
    explicit CIniFile(std::u16string path);
    virtual ~CIniFile();

    const std::u16string& Path() const { return path_; }

    // The value, or `defaultValue` when the section or the key is missing; read whole, however long.
    std::u16string GetString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view defaultValue) const;
    // Signed decimal (leading blanks and a sign accepted, stops at the first non-digit).
    INT GetInt(std::u16string_view section, std::u16string_view key, INT defaultValue) const;
    // The hexadecimal forms: the first two characters (the writers' "0x") are skipped unread.
    DWORD GetHex32(std::u16string_view section, std::u16string_view key, DWORD defaultValue) const;
    ULONGLONG GetHex64(std::u16string_view section, std::u16string_view key, ULONGLONG defaultValue) const;
    BYTE GetHexByte(std::u16string_view section, std::u16string_view key, BYTE defaultValue) const;

    // Each raises CIniFileException when the write fails.
    void WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value);
    void WriteInt(std::u16string_view section, std::u16string_view key, INT value);
    void WriteHex32(std::u16string_view section, std::u16string_view key, DWORD value);       // "0x%08X"
    void WriteHex64(std::u16string_view section, std::u16string_view key, ULONGLONG value);   // "0x%08X%08X"
    void WriteHexByte(std::u16string_view section, std::u16string_view key, BYTE value);      // "0x%02X"

private:
    // The text of a numeric key: empty when missing or written with nothing after '='.
    std::u16string GetNumberText(std::u16string_view section, std::u16string_view key) const;

    std::u16string path_;
};
