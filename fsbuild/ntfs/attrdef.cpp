#include "fsbuild/ntfs/attrdef.h"

#include "fsbuild/ntfs/on_disk.h"

#include <cstring>
#include <string_view>

namespace ntfs {
namespace {

constexpr std::uint32_t kIndexable = 0x02;
constexpr std::uint32_t kResidentOnly = 0x40;
constexpr std::uint32_t kAlwaysLogged = 0x80;
constexpr std::int64_t kUnlimited = -1;

// The collation rule of every entry stays 0 as in the table current systems write: each
// index root names its own rule.
struct Definition {
    std::u16string_view name;
    std::uint32_t type;
    std::uint32_t flags;
    std::int64_t minimum;
    std::int64_t maximum;
};

constexpr Definition kDefinitions[] = {
    {u"$STANDARD_INFORMATION", 0x10, kResidentOnly, 0x30, 0x48},
    {u"$ATTRIBUTE_LIST", 0x20, kAlwaysLogged, 0, kUnlimited},
    {u"$FILE_NAME", 0x30, kResidentOnly | kIndexable, 0x44, 0x242},
    {u"$OBJECT_ID", 0x40, kResidentOnly, 0, 0x100},
    {u"$SECURITY_DESCRIPTOR", 0x50, kAlwaysLogged, 0, kUnlimited},
    {u"$VOLUME_NAME", 0x60, kResidentOnly, 2, 0x100},
    {u"$VOLUME_INFORMATION", 0x70, kResidentOnly, 0xC, 0xC},
    {u"$DATA", 0x80, 0, 0, kUnlimited},
    {u"$INDEX_ROOT", 0x90, kResidentOnly, 0, kUnlimited},
    {u"$INDEX_ALLOCATION", 0xA0, kAlwaysLogged, 0, kUnlimited},
    {u"$BITMAP", 0xB0, kAlwaysLogged, 0, kUnlimited},
    {u"$REPARSE_POINT", 0xC0, kAlwaysLogged, 0, 0x4000},
    {u"$EA_INFORMATION", 0xD0, kResidentOnly, 8, 8},
    {u"$EA", 0xE0, 0, 0, 0x10000},
    {u"$LOGGED_UTILITY_STREAM", 0x100, kAlwaysLogged, 0, 0x10000},
};

} // namespace

std::vector<std::uint8_t> BuildAttrDefTable()
{
    std::vector<std::uint8_t> table(kAttrDefBytes, 0);
    auto* entries = reinterpret_cast<AttrDefEntry*>(table.data());
    std::size_t index = 0;
    for (const Definition& definition : kDefinitions) {
        AttrDefEntry& entry = entries[index++];
        std::memcpy(entry.name, definition.name.data(), definition.name.size() * 2);
        entry.type = definition.type;
        entry.flags = definition.flags;
        entry.minimumSize = definition.minimum;
        entry.maximumSize = definition.maximum;
    }
    return table;
}

} // namespace ntfs
