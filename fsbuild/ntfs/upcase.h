// The volume's upper-case table: one UTF-16 unit per unit, the key of every name comparison.
#pragma once

#include <vector>

namespace ntfs {

constexpr std::size_t kUpcaseUnits = 65536;

// Every unit maps to itself, then each lower-case letter whose upper-case form maps back to
// it is mapped to that form.
std::vector<char16_t> InitUpcaseTable();

} // namespace ntfs
