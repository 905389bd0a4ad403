// Text conversions between UTF-16 wide text and the "ANSI code page", which on this
// platform is the locale's narrow encoding (UTF-8 on a normal system; a plain C/POSIX
// locale is taken as UTF-8 too). Copies into fixed-size fields never overflow the field
// and never cut a character in half.
#pragma once

#include "platform/base/wintypes.h"

#include <string>
#include <string_view>

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_UTF8 = 65001;

// Windows semantics: a source length of -1 means NUL-terminated (the NUL is converted and
// counted); a destination size of 0 asks for the size needed; 0 is returned on failure
// (ERROR_INSUFFICIENT_BUFFER when the destination is too small, nothing partial is promised).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination, int destinationSize);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR destination, int destinationSize,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);

namespace platform {

std::u16string AnsiToWide(std::string_view ansi);
// A character the narrow text cannot hold (in UTF-8 only half a surrogate pair) becomes '?'.
std::string WideToAnsi(std::u16string_view wide);
std::u16string Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::u16string_view wide);
// The same, telling through `lossless` whether every character was kept.
std::string WideToAnsi(std::u16string_view wide, bool* lossless);
std::string WideToUtf8(std::u16string_view wide, bool* lossless);

// True when the ANSI code page is UTF-8 (the usual case).
bool AnsiIsUtf8();

enum class FieldEnd {
    Terminated, // at most size-1 bytes of text, then a NUL; the rest zero
    ZeroFilled, // up to size bytes of text, zero-filled after it; no NUL when the text fills the field
};

// Copies whole characters of narrow (ANSI) text into a fixed field. Returns the bytes of text copied.
std::size_t CopyToField(char* field, std::size_t fieldSize, std::string_view ansi, FieldEnd end = FieldEnd::Terminated);
// Converts wide text to ANSI and copies it into a fixed field the same way.
std::size_t CopyWideToField(char* field, std::size_t fieldSize, std::u16string_view wide, FieldEnd end = FieldEnd::Terminated);
// Wide copy into a fixed array of UTF-16 units: at most size-1 units, never half a surrogate pair, NUL-terminated.
std::size_t CopyWideToWideField(char16_t* field, std::size_t fieldUnits, std::u16string_view wide);

// The length of a NUL-terminated text that sits in a fixed field (stops at the field's end).
std::size_t FieldLength(const char* field, std::size_t fieldSize);
std::u16string_view WideFieldView(const char16_t* field, std::size_t fieldUnits);

std::size_t WideLength(LPCWSTR text);

// printf-style formatting into wide text (the format and %s arguments are narrow ANSI text).
std::u16string FormatWide(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Letter-case-insensitive comparison of wide text (simple case folding of the BMP).
bool WideEqualsNoCase(std::u16string_view a, std::u16string_view b);
char16_t WideToUpper(char16_t c);
char16_t WideToLower(char16_t c);

} // namespace platform
