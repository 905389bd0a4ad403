#include "fsbuild/iso9660/iso_tree.h"

#include "fsbuild/iso9660/iso_identifiers.h"

namespace iso9660 {

std::string IsoNode::IdentifierIn(IsoTreeKind tree) const
{
    return tree == IsoTreeKind::Primary ? primaryName : EncodeUcs2BigEndian(jolietName);
}

} // namespace iso9660
