// The builder's own view of the source tree: per entry its names in both trees, its date,
// and where the layout puts it. Children stay in listing order; each tree's directories
// hold their records sorted by that tree's identifiers, as the volume format requires.
#pragma once

#include "fsbuild/iso9660/iso_date.h"

#include <cstdint>
#include <string>
#include <vector>

namespace iso9660 {

enum class IsoTreeKind { Primary, Joliet };

struct IsoExtent {
    std::uint32_t block = 0;
    std::uint32_t size = 0; // bytes; a directory's size is whole blocks
};

// A directory's numbers in one tree's path table (the root is 1 and its own parent).
struct PathNumbers {
    std::uint16_t number = 0;
    std::uint16_t parent = 0;
};

struct IsoNode {
    std::string primaryName;  // mapped identifier
    std::u16string jolietName; // the real name
    std::string sourcePath;   // file to copy (files only)
    std::uint64_t size = 0;   // file size
    bool isDirectory = false;
    IsoDate date{};
    std::vector<IsoNode> children;

    // Filled by the layout: a file's data (shared by both trees), a directory's extent per tree.
    IsoExtent data;
    IsoExtent primary;
    IsoExtent joliet;
    PathNumbers primaryNumbers;
    PathNumbers jolietNumbers;

    const IsoExtent& ExtentIn(IsoTreeKind tree) const { return tree == IsoTreeKind::Primary ? primary : joliet; }
    IsoExtent& ExtentIn(IsoTreeKind tree) { return tree == IsoTreeKind::Primary ? primary : joliet; }
    const PathNumbers& NumbersIn(IsoTreeKind tree) const
    {
        return tree == IsoTreeKind::Primary ? primaryNumbers : jolietNumbers;
    }
    PathNumbers& NumbersIn(IsoTreeKind tree) { return tree == IsoTreeKind::Primary ? primaryNumbers : jolietNumbers; }
    // The identifier bytes this entry has in the given tree.
    std::string IdentifierIn(IsoTreeKind tree) const;
    // Indexes into `children` in the order of this tree's records: ascending identifiers.
    std::vector<std::size_t> RecordOrderIn(IsoTreeKind tree) const;
};

} // namespace iso9660
