#include "fsbuild/iso9660/iso_tree.h"

#include "fsbuild/iso9660/iso_identifiers.h"

#include <algorithm>
#include <numeric>

namespace iso9660 {

std::string IsoNode::IdentifierIn(IsoTreeKind tree) const
{
    return tree == IsoTreeKind::Primary ? primaryName : EncodeUcs2BigEndian(jolietName);
}

std::vector<std::size_t> IsoNode::RecordOrderIn(IsoTreeKind tree) const
{
    // Byte order of the identifiers: d-characters for the primary tree, UCS-2 big-endian
    // (code-unit order) for the Joliet tree; a name that is another's start comes first.
    std::vector<std::string> identifiers;
    identifiers.reserve(children.size());
    for (const IsoNode& child : children)
        identifiers.push_back(child.IdentifierIn(tree));
    std::vector<std::size_t> order(children.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return identifiers[a] < identifiers[b]; });
    return order;
}

} // namespace iso9660
