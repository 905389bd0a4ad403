// 8.3 names for directory entries. Each folder gets names that are valid (upper case,
// characters a short name may not hold replaced by "_", no blanks inside) and unique
// (a numeric tail "~n" where the long name does not fit 8.3 as it stands or its plain
// form is taken). The long-name entries keep the real name.
#pragma once

#include <array>
#include <string>
#include <unordered_map>
#include <unordered_set>

using ShortName = std::array<char, 11>; // 8 name bytes, 3 extension bytes, blank-padded

class ShortNameSet {
public:
    // A name for `longName`, unique among those this set has handed out.
    ShortName Assign(const std::u16string& longName);

private:
    bool Take(const ShortName& name);
    std::unordered_set<std::string> taken_;
    std::unordered_map<std::string, unsigned> nextTail_; // per basis and extension
};

// The 11-byte volume label field: upper case, invalid characters replaced, blank-padded;
// a longer label keeps its first 11 characters.
ShortName LabelField(const std::string& label);
