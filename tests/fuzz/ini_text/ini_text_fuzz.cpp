// The texts the station reads from INI files and from the operator besides whole values:
// hexadecimal text (identifiers, serial numbers) and translated captions that are printf
// formats. The hexadecimal reader gives the value of the digits before the first other
// character, whatever the range; a caption that passes the format check formats one integer
// safely (the sanitizers watch printf).
//
// Input: a selector byte, a start and a length byte, then wide text.
#include "engine/ini/caption_format.h"
#include "engine/ini/hex_text.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstring>

namespace {

ULONGLONG ExpectedHex(std::u16string_view text, std::size_t length, std::size_t start)
{
    ULONGLONG value = 0;
    for (std::size_t i = start; i < std::min(length, text.size()); ++i) {
        char16_t c = text[i];
        int digit = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                            : c >= u'a' && c <= u'f'           ? c - u'a' + 10
                                                                                : -1;
        if (digit < 0)
            break;
        value = value << 4 | static_cast<ULONGLONG>(digit);
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input input(data, size);
    std::uint8_t selector = input.Byte();
    std::size_t start = input.Byte() % 40, length = input.Byte() % 40;
    std::u16string text = input.Wide();
    if (selector & 1) {
        FUZZ_CHECK(HexTextToUInt64(text, length, start) == ExpectedHex(text, length, start));
        return 0;
    }
    int value = 0;
    std::memcpy(&value, data, std::min(size, sizeof value));
    if (IsSingleIntegerFormat(text)) {
        std::u16string formatted = FormatInteger(text, value);
        // Width and precision have at most two digits: the number takes at most 100 characters.
        FUZZ_CHECK(formatted.size() <= text.size() + 100);
    }
    std::u16string checked = CheckedIntegerFormat(text, u"Port %d");
    FUZZ_CHECK(checked == text || checked == u"Port %d");
    return 0;
}
