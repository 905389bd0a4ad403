#include "platform/text/text.h"

#include "platform/base/lasterror.h"

#include <cstdarg>
#include <cwchar>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <wctype.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <mutex>
#include <vector>

namespace platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Decodes one UTF-8 character; returns its length in bytes (at least 1) and sets `valid`.
std::size_t DecodeUtf8(std::string_view in, std::size_t at, char32_t& cp, bool& valid)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
    unsigned char lead = byte(at);
    std::size_t length;
    char32_t min;
    if (lead < 0x80) {
        cp = lead;
        valid = true;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        valid = false;
        return 1;
    }
    if (at + length > in.size()) {
        valid = false;
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            valid = false;
            return i;
        }
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    valid = cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    return length;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

struct AnsiCodeset {
    std::string name;
    bool utf8 = true;
    locale_t ctype = static_cast<locale_t>(0); // the legacy code page's character rules
};

const AnsiCodeset& Codeset()
{
    static const AnsiCodeset codeset = [] {
        AnsiCodeset result;
        locale_t env = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        if (env == static_cast<locale_t>(0))
            return result;
        std::string name = nl_langinfo_l(CODESET, env);
        // The C/POSIX locale names plain ASCII; UTF-8 is its superset and what users mean.
        if (name == "UTF-8" || name == "utf8" || name == "ANSI_X3.4-1968" || name == "ASCII" || name.empty()) {
            freelocale(env);
            return result;
        }
        result.name = name;
        result.utf8 = false;
        result.ctype = env; // kept for the life of the process
        return result;
    }();
    return codeset;
}

// Bytes of the ANSI character at `at` (at least 1: a byte that starts no character counts alone).
std::size_t AnsiCharLength(std::string_view text, std::size_t at)
{
    if (AnsiIsUtf8()) {
        char32_t cp;
        bool valid;
        return DecodeUtf8(text, at, cp, valid);
    }
    locale_t previous = uselocale(Codeset().ctype);
    std::mbstate_t state{};
    std::size_t length = std::mbrlen(text.data() + at, text.size() - at, &state);
    uselocale(previous);
    return length == 0 || length == static_cast<std::size_t>(-1) || length == static_cast<std::size_t>(-2) ? 1 : length;
}

std::string IconvConvert(const char* to, const char* from, const char* data, std::size_t size, bool& lossless)
{
    lossless = true;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        lossless = false;
        return {};
    }
    std::string out;
    std::vector<char> buffer(size * 4 + 16);
    char* in = const_cast<char*>(data);
    std::size_t inLeft = size;
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), outPtr);
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            lossless = false;
            break;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

bool AnsiIsUtf8()
{
    return Codeset().utf8;
}

std::u16string Utf8ToWide(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t cp;
        bool valid;
        at += DecodeUtf8(utf8, at, cp, valid);
        if (!valid) {
            out += kReplacement;
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string WideToUtf8(std::u16string_view wide)
{
    return WideToUtf8(wide, nullptr);
}

std::string WideToUtf8(std::u16string_view wide, bool* lossless)
{
    if (lossless != nullptr)
        *lossless = true;
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t unit = wide[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += '?'; // a lone surrogate has no narrow form
            if (lossless != nullptr)
                *lossless = false;
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::u16string AnsiToWide(std::string_view ansi)
{
    if (AnsiIsUtf8())
        return Utf8ToWide(ansi);
    bool lossless;
    std::string utf16 = IconvConvert("UTF-16LE", Codeset().name.c_str(), ansi.data(), ansi.size(), lossless);
    std::u16string out(utf16.size() / 2, u'\0');
    std::memcpy(out.data(), utf16.data(), out.size() * 2);
    return out;
}

std::string WideToAnsi(std::u16string_view wide)
{
    return WideToAnsi(wide, nullptr);
}

std::string WideToAnsi(std::u16string_view wide, bool* lossless)
{
    if (AnsiIsUtf8())
        return WideToUtf8(wide, lossless);
    if (lossless != nullptr)
        *lossless = true;
    std::string out;
    // Character by character so that an unmappable one becomes '?' and the rest survives.
    for (std::size_t i = 0; i < wide.size(); ++i) {
        std::size_t units = (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size()) ? 2 : 1;
        bool kept;
        std::string piece = IconvConvert(Codeset().name.c_str(), "UTF-16LE", reinterpret_cast<const char*>(wide.data() + i),
                                         units * 2, kept);
        out += kept ? piece : std::string("?");
        if (!kept && lossless != nullptr)
            *lossless = false;
        i += units - 1;
    }
    return out;
}

std::size_t CopyToField(char* field, std::size_t fieldSize, std::string_view ansi, FieldEnd end)
{
    if (fieldSize == 0)
        return 0;
    std::size_t room = end == FieldEnd::Terminated ? fieldSize - 1 : fieldSize;
    std::size_t take = 0;
    // Whole characters only, in whatever code page the ANSI text is.
    for (std::size_t at = 0; at < ansi.size();) {
        std::size_t length = AnsiCharLength(ansi, at);
        if (at + length > room)
            break;
        at += length;
        take = at;
    }
    std::memcpy(field, ansi.data(), take);
    std::memset(field + take, 0, fieldSize - take);
    return take;
}

std::size_t CopyWideToField(char* field, std::size_t fieldSize, std::u16string_view wide, FieldEnd end)
{
    return CopyToField(field, fieldSize, WideToAnsi(wide), end);
}

std::size_t CopyWideToWideField(char16_t* field, std::size_t fieldUnits, std::u16string_view wide)
{
    if (fieldUnits == 0)
        return 0;
    std::size_t take = std::min(wide.size(), fieldUnits - 1);
    if (take > 0 && take < wide.size() && wide[take - 1] >= 0xD800 && wide[take - 1] <= 0xDBFF)
        --take; // keep a surrogate pair whole
    std::memcpy(field, wide.data(), take * sizeof(char16_t));
    std::fill(field + take, field + fieldUnits, u'\0');
    return take;
}

std::size_t FieldLength(const char* field, std::size_t fieldSize)
{
    const void* nul = std::memchr(field, 0, fieldSize);
    return nul != nullptr ? static_cast<const char*>(nul) - field : fieldSize;
}

std::u16string_view WideFieldView(const char16_t* field, std::size_t fieldUnits)
{
    std::size_t length = 0;
    while (length < fieldUnits && field[length] != u'\0')
        ++length;
    return {field, length};
}

std::size_t WideLength(LPCWSTR text)
{
    std::size_t length = 0;
    if (text != nullptr)
        while (text[length] != u'\0')
            ++length;
    return length;
}

std::u16string FormatWide(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string narrow(needed > 0 ? needed : 0, '\0');
    if (needed > 0)
        std::vsnprintf(narrow.data(), narrow.size() + 1, format, args);
    va_end(args);
    return AnsiToWide(narrow);
}

namespace {

// Case mapping must not depend on whether the program called setlocale, so it uses a
// UTF-8 locale of its own (wchar_t is UCS-4 here, so BMP units map directly).
locale_t CaseLocale()
{
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return made != static_cast<locale_t>(0) ? made : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    }();
    return locale;
}

template <wint_t (*Map)(wint_t, locale_t)>
char16_t MapCase(char16_t c)
{
    if (c >= 0xD800 && c <= 0xDFFF)
        return c;
    wint_t mapped = Map(static_cast<wint_t>(c), CaseLocale());
    return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

} // namespace

char16_t WideToUpper(char16_t c)
{
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    return MapCase<towupper_l>(c);
}

char16_t WideToLower(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    return MapCase<towlower_l>(c);
}

bool WideEqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (WideToUpper(a[i]) != WideToUpper(b[i]))
            return false;
    return true;
}

} // namespace platform

namespace {

// Shared body of the two Windows conversions: convert, then apply the size protocol.
template <class Out>
int Deliver(const Out& converted, typename Out::value_type* destination, int destinationSize)
{
    int needed = static_cast<int>(converted.size());
    if (destinationSize == 0)
        return needed;
    if (destinationSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(converted.begin(), converted.end(), destination);
    return needed;
}

} // namespace

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR source, int sourceLength, LPWSTR destination, int destinationSize)
{
    if (source == nullptr || sourceLength == 0 || destinationSize < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t length = sourceLength < 0 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceLength);
    std::string_view text(source, length);
    std::u16string converted = codePage == CP_UTF8 ? platform::Utf8ToWide(text) : platform::AnsiToWide(text);
    return Deliver(converted, destination, destinationSize);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceLength, LPSTR destination, int destinationSize,
                        LPCSTR, BOOL* usedDefaultChar)
{
    if (source == nullptr || sourceLength == 0 || destinationSize < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t length = sourceLength < 0 ? platform::WideLength(source) + 1 : static_cast<std::size_t>(sourceLength);
    std::u16string_view text(source, length);
    bool lossless;
    std::string converted =
        codePage == CP_UTF8 ? platform::WideToUtf8(text, &lossless) : platform::WideToAnsi(text, &lossless);
    if (usedDefaultChar != nullptr)
        *usedDefaultChar = lossless ? FALSE : TRUE;
    return Deliver(converted, destination, destinationSize);
}
