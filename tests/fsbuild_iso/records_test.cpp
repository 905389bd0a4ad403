#include "fsbuild/iso9660/iso_directory_records.h"
#include "fsbuild/iso9660/iso_path_table.h"

#include "iso_test_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace iso9660;
using namespace iso9660::testing;

namespace {

std::uint32_t Le32(const std::uint8_t* at)
{
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::uint32_t Be32(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) << 24 | at[1] << 16 | at[2] << 8 | at[3];
}

// What a reader sees in an extent: each record's block offset and identifier; a zero
// length byte sends it to the next block.
struct ReadRecord {
    std::uint32_t offset;
    std::string identifier;
};

std::vector<ReadRecord> ReadExtent(const std::vector<std::uint8_t>& extent)
{
    std::vector<ReadRecord> records;
    for (std::uint32_t at = 0; at < extent.size();) {
        std::uint8_t length = extent[at];
        if (length == 0) {
            at = (at / kBlockSize + 1) * kBlockSize;
            continue;
        }
        EXPECT_LE(at % kBlockSize + length, kBlockSize) << "record at " << at << " crosses a block";
        records.push_back({at, std::string(reinterpret_cast<const char*>(&extent[at + 33]), extent[at + 32])});
        at += length;
    }
    return records;
}

} // namespace

TEST(DirectoryRecord, LengthPadsEvenIdentifiers)
{
    struct Case {
        std::size_t identifier;
        std::uint32_t record;
    };
    for (Case c : {Case{1, 34}, Case{2, 36}, Case{11, 44}, Case{64, 98}, Case{128, 162}})
        EXPECT_EQ(DirectoryRecordLength(c.identifier), c.record) << c.identifier;
}

TEST(DirectoryRecord, FieldsInBothByteOrders)
{
    std::uint8_t record[64];
    std::memset(record, 0xAA, sizeof record);
    EncodeDirectoryRecord(record, {{0x01020304, 0x0A0B0C0D}, {2024, 2, 29, 13, 45, 7, 0}, true, "AB"});
    EXPECT_EQ(record[0], 36);
    EXPECT_EQ(record[1], 0);
    EXPECT_EQ(Le32(record + 2), 0x01020304u);
    EXPECT_EQ(Be32(record + 6), 0x01020304u);
    EXPECT_EQ(Le32(record + 10), 0x0A0B0C0Du);
    EXPECT_EQ(Be32(record + 14), 0x0A0B0C0Du);
    EXPECT_EQ(std::vector<std::uint8_t>(record + 18, record + 25), (std::vector<std::uint8_t>{124, 2, 29, 13, 45, 7, 0}));
    EXPECT_EQ(record[25], 2);
    EXPECT_EQ(record[26], 0);
    EXPECT_EQ(record[27], 0);
    EXPECT_EQ(std::vector<std::uint8_t>(record + 28, record + 32), (std::vector<std::uint8_t>{1, 0, 0, 1}));
    EXPECT_EQ(record[32], 2);
    EXPECT_EQ(record[33], 'A');
    EXPECT_EQ(record[34], 'B');
    EXPECT_EQ(record[35], 0) << "pad byte";
    EXPECT_EQ(record[36], 0xAA) << "wrote past the record";
}

TEST(DirectoryExtent, RecordsNeverCrossABlock)
{
    // "." and ".." take 68 bytes; 30 records of 64 bytes end at 1988, so the 31st starts
    // the second block.
    IsoNode folder = Folder(u"d", {});
    for (int i = 0; i < 40; ++i) {
        std::u16string name(31, u'a');
        name[0] = static_cast<char16_t>(u'A' + i % 26);
        name[1] = static_cast<char16_t>(u'0' + i / 26);
        folder.children.push_back(File(name, 1));
    }
    folder.primary = {100, DirectoryExtentSize(folder, IsoTreeKind::Primary)};
    ASSERT_EQ(folder.primary.size, 4096u);
    IsoNode parent = Folder(u"p", {});
    parent.primary = {90, 2048};

    auto extent = BuildDirectoryExtent(folder, parent, IsoTreeKind::Primary, {2024, 1, 1, 0, 0, 0, 0});
    ASSERT_EQ(extent.size(), 4096u);
    auto records = ReadExtent(extent);
    ASSERT_EQ(records.size(), 42u);
    EXPECT_EQ(records[0].identifier, std::string(1, '\0'));
    EXPECT_EQ(Le32(&extent[2]), 100u);
    EXPECT_EQ(records[1].identifier, std::string(1, '\1'));
    EXPECT_EQ(Le32(&extent[34 + 2]), 90u);
    EXPECT_EQ(records[31].offset, 1924u);
    EXPECT_EQ(records[32].offset, 2048u);
    std::vector<std::string> sorted;
    for (const IsoNode& child : folder.children)
        sorted.push_back(child.primaryName);
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < 40; ++i)
        EXPECT_EQ(records[i + 2].identifier, sorted[i]) << "in identifier order";
}

TEST(DirectoryExtent, EachTreeSortsItsRecordsByItsOwnIdentifiers)
{
    // Listed as a source folder may list them; "b" maps to B, and in UCS-2 "B" (0x42)
    // sorts before "a" (0x61) while A sorts before B in the primary tree.
    IsoNode folder = Folder(u"d", {File(u"b", 1), File(u"a", 1), File(u"B1", 1), File(u"B", 1), File(u"ab", 1)});
    folder.children[3].primaryName = "B_1"; // as the folder's name set keeps it apart from "b"
    IsoNode parent = Folder(u"p", {});
    struct Expect {
        IsoTreeKind tree;
        std::vector<std::string> identifiers;
    };
    for (const Expect& e : {Expect{IsoTreeKind::Primary, {"A", "AB", "B", "B1", "B_1"}},
                            Expect{IsoTreeKind::Joliet,
                                   {std::string("\0B", 2), std::string("\0B\0001", 4), std::string("\0a", 2),
                                    std::string("\0a\0b", 4), std::string("\0b", 2)}}}) {
        folder.ExtentIn(e.tree) = {100, DirectoryExtentSize(folder, e.tree)};
        auto records = ReadExtent(BuildDirectoryExtent(folder, parent, e.tree, {2024, 1, 1, 0, 0, 0, 0}));
        ASSERT_EQ(records.size(), 7u);
        for (std::size_t i = 0; i < e.identifiers.size(); ++i)
            EXPECT_EQ(records[i + 2].identifier, e.identifiers[i]) << i;
    }
}

TEST(DirectoryExtent, JolietNamesAndSizesPerTree)
{
    IsoNode sub = Folder(u"Sub", {});
    sub.joliet = {40, 2048};
    sub.primary = {30, 2048};
    IsoNode file = File(u"read.me.txt", 5000);
    file.data = {50, 5000};
    IsoNode root = Root({sub, file});
    root.joliet = {39, DirectoryExtentSize(root, IsoTreeKind::Joliet)};
    EXPECT_EQ(root.joliet.size, 2048u);

    auto extent = BuildDirectoryExtent(root, root, IsoTreeKind::Joliet, {2024, 1, 1, 0, 0, 0, 0});
    auto records = ReadExtent(extent);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[2].identifier, std::string("\0S\0u\0b", 6));
    const std::uint8_t* subRecord = &extent[records[2].offset];
    EXPECT_EQ(Le32(subRecord + 2), 40u) << "a subdirectory points to its extent in the same tree";
    EXPECT_EQ(subRecord[25], 2);
    EXPECT_EQ(subRecord[0], 33 + 6 + 1);
    const std::uint8_t* fileRecord = &extent[records[3].offset];
    EXPECT_EQ(Le32(fileRecord + 2), 50u);
    EXPECT_EQ(Le32(fileRecord + 10), 5000u);
    EXPECT_EQ(fileRecord[25], 0);
    EXPECT_EQ(fileRecord[18], 120) << "the entry's own date";
    EXPECT_EQ(Le32(&extent[34 + 2]), 39u) << "the root's parent is itself";
}

TEST(PathTable, SizesAndRecords)
{
    IsoNode root = Root({Folder(u"ab", {}), Folder(u"c", {})});
    std::vector<IsoNode*> directories{&root, &root.children[0], &root.children[1]};
    root.primary.block = 21;
    root.children[0].primary.block = 22;
    root.children[1].primary.block = 23;
    for (IsoNode* directory : directories)
        directory->primaryNumbers.parent = 1;

    std::vector<IsoNode*> rootOnly{&root};
    EXPECT_EQ(PathTableSize(rootOnly, IsoTreeKind::Primary), 10u);
    EXPECT_EQ(PathTableSize(rootOnly, IsoTreeKind::Joliet), 10u);
    EXPECT_EQ(PathTableSize(directories, IsoTreeKind::Primary), 10u + 10 + 10);
    EXPECT_EQ(PathTableSize(directories, IsoTreeKind::Joliet), 10u + 12 + 10);

    auto table = BuildPathTable(directories, IsoTreeKind::Primary);
    std::vector<std::uint8_t> expected{1, 0, 21, 0, 0, 0, 1, 0, 0, 0,          // root
                                       2, 0, 22, 0, 0, 0, 1, 0, 'A', 'B',      // even name, no pad
                                       1, 0, 23, 0, 0, 0, 1, 0, 'C', 0};       // odd name, padded
    EXPECT_EQ(table, expected);
}
