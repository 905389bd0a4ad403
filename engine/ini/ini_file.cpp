#include "engine/ini/ini_file.h"

#include "engine/ini/decimal_text.h"
#include "engine/ini/hex_text.h"
#include "platform/profile/profile.h"
#include "platform/text/text.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

constexpr DWORD kReadChunk = 2048;

} // namespace

CIniFile::CIniFile(std::u16string path) : path_(std::move(path)) {}

CIniFile::~CIniFile() = default;

std::u16string CIniFile::GetString(std::u16string_view section, std::u16string_view key,
                                   std::u16string_view defaultValue) const
{
    std::u16string sectionName(section), keyName(key), fallback(defaultValue);
    std::vector<char16_t> buffer;
    DWORD length;
    do {
        // A result of size-1 means the value may have been cut: read again with more room.
        buffer.resize(buffer.size() + kReadChunk);
        length = GetPrivateProfileStringW(sectionName.c_str(), keyName.c_str(), fallback.c_str(), buffer.data(),
                                          static_cast<DWORD>(buffer.size()), path_.c_str());
    } while (length == buffer.size() - 1);
    return std::u16string(buffer.data(), length);
}

std::u16string CIniFile::GetNumberText(std::u16string_view section, std::u16string_view key) const
{
    return GetString(section, key, u"");
}

INT CIniFile::GetInt(std::u16string_view section, std::u16string_view key, INT defaultValue) const
{
    std::u16string text = GetNumberText(section, key);
    return text.empty() ? defaultValue : DecimalTextToInt(text);
}

DWORD CIniFile::GetHex32(std::u16string_view section, std::u16string_view key, DWORD defaultValue) const
{
    std::u16string text = GetNumberText(section, key);
    return text.empty() ? defaultValue : static_cast<DWORD>(HexTextToUInt64(text, text.size(), 2));
}

ULONGLONG CIniFile::GetHex64(std::u16string_view section, std::u16string_view key, ULONGLONG defaultValue) const
{
    std::u16string text = GetNumberText(section, key);
    return text.empty() ? defaultValue : HexTextToUInt64(text, text.size(), 2);
}

BYTE CIniFile::GetHexByte(std::u16string_view section, std::u16string_view key, BYTE defaultValue) const
{
    std::u16string text = GetNumberText(section, key);
    return text.empty() ? defaultValue : static_cast<BYTE>(HexTextToUInt64(text, text.size(), 2));
}

void CIniFile::WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value)
{
    std::u16string sectionName(section), keyName(key), text(value);
    if (!WritePrivateProfileStringW(sectionName.c_str(), keyName.c_str(), text.c_str(), path_.c_str()))
        throw CIniFileException();
}

void CIniFile::WriteInt(std::u16string_view section, std::u16string_view key, INT value)
{
    WriteString(section, key, platform::FormatWide("%d", value));
}

void CIniFile::WriteHex32(std::u16string_view section, std::u16string_view key, DWORD value)
{
    WriteString(section, key, platform::FormatWide("0x%08X", value));
}

void CIniFile::WriteHex64(std::u16string_view section, std::u16string_view key, ULONGLONG value)
{
    WriteString(section, key,
                platform::FormatWide("0x%08X%08X", static_cast<DWORD>(value >> 32), static_cast<DWORD>(value)));
}

void CIniFile::WriteHexByte(std::u16string_view section, std::u16string_view key, BYTE value)
{
    WriteString(section, key, platform::FormatWide("0x%02X", value));
}
