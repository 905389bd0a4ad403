// Small source trees for the builder's layout and encoding tests.
#pragma once

#include "fsbuild/iso9660/iso_identifiers.h"
#include "fsbuild/iso9660/iso_tree.h"

#include <initializer_list>

namespace iso9660::testing {

inline IsoNode File(std::u16string name, std::uint64_t size)
{
    IsoNode node;
    node.primaryName = MapPrimaryIdentifier(name);
    node.jolietName = std::move(name);
    node.size = size;
    node.date = {2020, 5, 17, 8, 30, 0, 0};
    return node;
}

inline IsoNode Folder(std::u16string name, std::initializer_list<IsoNode> children)
{
    IsoNode node = File(std::move(name), 0);
    node.isDirectory = true;
    node.children = children;
    return node;
}

inline IsoNode Root(std::initializer_list<IsoNode> children)
{
    return Folder(u"", children);
}

} // namespace iso9660::testing
