// Names as the two trees store them: the primary tree keeps only digits, upper-case
// letters and "_"; the Joliet tree keeps the real name as UCS-2 big-endian. Both are
// bounded so that the records' one-byte length fields can hold them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace iso9660 {

// Longest Joliet name in UTF-16 units (the Joliet readers' limit).
constexpr std::size_t kJolietNameLimit = 64;
// Longest primary identifier: a directory record of 33 + 221 bytes still fits its length byte.
constexpr std::size_t kPrimaryNameLimit = 221;

// 0-9 and A-Z stay, a-z become upper case, every other character (a surrogate pair is
// one character) becomes "_". The length in characters is kept up to kPrimaryNameLimit.
std::string MapPrimaryIdentifier(std::u16string_view name);

// The primary identifiers of one folder. Mapping makes names that differ only in case or
// in the characters it replaces equal ("Read.me" and "READ-ME" are both READ_ME); a name
// already taken in the folder gets a tail "_1", "_2", ... (cut to stay within
// kPrimaryNameLimit), so that every record of a directory has an identifier of its own.
class PrimaryNameSet {
public:
    std::string Unique(const std::string& mapped);

private:
    std::unordered_set<std::string> taken_;
};

// A name of more than 64 units is cut to 64, keeping its extension (a last "." and at
// most 15 units after it) and never half a surrogate pair.
std::u16string BoundJolietName(std::u16string_view name);

// The UTF-16 units in big-endian byte order.
std::string EncodeUcs2BigEndian(std::u16string_view text);

} // namespace iso9660
