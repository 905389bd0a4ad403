// The volume's upper-case table: one UTF-16 unit per unit, the key of every name comparison.
#pragma once

#include <vector>

namespace ntfs {

constexpr std::size_t kUpcaseUnits = 65536;

// Every unit maps to itself, then the lower-case letters of the Unicode scripts that have
// case are mapped to their upper-case forms.
std::vector<char16_t> InitUpcaseTable();

} // namespace ntfs
