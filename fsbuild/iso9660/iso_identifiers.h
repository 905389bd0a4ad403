// Names as the two trees store them: the primary tree keeps only digits, upper-case
// letters and "_"; the Joliet tree keeps the real name as UCS-2 big-endian.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace iso9660 {

// Longest Joliet name in UTF-16 units; longer names would not fit the readers' limit.
constexpr std::size_t kJolietNameLimit = 64;

// 0-9 and A-Z stay, a-z become upper case, every other character (a surrogate pair is
// one character) becomes "_". The length in characters is kept.
std::string MapPrimaryIdentifier(std::u16string_view name);

// The UTF-16 units in big-endian byte order.
std::string EncodeUcs2BigEndian(std::u16string_view text);

} // namespace iso9660
