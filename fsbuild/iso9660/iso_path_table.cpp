#include "fsbuild/iso9660/iso_path_table.h"

#include "fsbuild/iso9660/iso_fields.h"

#include <cstring>

namespace iso9660 {
namespace {

std::string PathTableIdentifier(const IsoNode& directory, bool isRoot, IsoTreeKind tree)
{
    return isRoot ? std::string(1, '\0') : directory.IdentifierIn(tree);
}

std::uint32_t PathTableRecordLength(std::size_t identifierLength)
{
    return static_cast<std::uint32_t>(8 + identifierLength + identifierLength % 2);
}

} // namespace

std::uint32_t PathTableSize(const std::vector<IsoNode*>& directories, IsoTreeKind tree)
{
    std::uint32_t size = 0;
    for (std::size_t i = 0; i < directories.size(); ++i)
        size += PathTableRecordLength(PathTableIdentifier(*directories[i], i == 0, tree).size());
    return size;
}

std::vector<std::uint8_t> BuildPathTable(const std::vector<IsoNode*>& directories, IsoTreeKind tree)
{
    std::vector<std::uint8_t> table(PathTableSize(directories, tree), 0);
    std::uint8_t* at = table.data();
    for (std::size_t i = 0; i < directories.size(); ++i) {
        const IsoNode& directory = *directories[i];
        std::string identifier = PathTableIdentifier(directory, i == 0, tree);
        at[0] = static_cast<std::uint8_t>(identifier.size());
        at[1] = 0; // no extended attribute record
        PutLe32(at + 2, directory.ExtentIn(tree).block);
        PutLe16(at + 6, directory.NumbersIn(tree).parent);
        std::memcpy(at + 8, identifier.data(), identifier.size());
        at += PathTableRecordLength(identifier.size());
    }
    return table;
}

} // namespace iso9660
