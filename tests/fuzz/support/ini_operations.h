// The writes the INI targets take from the fuzzer's bytes, and what a write that was taken
// must read back as.
//
// One write: a flags byte, then the section, key and value. Flag bit 0: the section is one
// of a few usual names (the next byte picks it), else wide text; bit 1 the same for the key;
// bit 2: the result log's separator line instead of key and value. Names never hold a NUL
// (the calls take NUL-terminated text).
#pragma once

#include "tests/fuzz/support/fuzz_support.h"

#include <string>
#include <string_view>

namespace fuzz {

struct IniWrite {
    std::uint8_t flags = 0; // bits 3-7 are the target's own
    std::u16string section;
    std::u16string key;
    std::u16string value;
    bool separator = false; // a separator line, which is no key that reads back
};

IniWrite TakeIniWrite(Input& input);

// What a read gives for a value that was written: without its surrounding blanks and one
// pair of enclosing quotes.
std::u16string ReadBackForm(std::u16string_view value);

// Section and key names as a lookup compares them: without surrounding blanks, letter case
// folded.
std::u16string FoldedName(std::u16string_view name);

} // namespace fuzz
