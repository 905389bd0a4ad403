#include "fsbuild/iso9660/create_iso_image.h"
#include "fsbuild/iso9660/iso_layout.h"
#include "fsbuild/iso9660/iso_limits.h"

#include "iso_test_tree.h"

#include "platform/text/text.h"

#include <gtest/gtest.h>

using namespace iso9660;
using namespace iso9660::testing;

TEST(IsoLayout, AllocationOrderIsTheLayout)
{
    IsoNode root = Root({File(u"a.txt", 3000),
                         Folder(u"sub1", {Folder(u"deep", {File(u"y", 5000)}), File(u"x", 1)}),
                         File(u"empty", 0),
                         Folder(u"sub2", {File(u"z", 2048)}),
                         File(u"last", 10)});
    IsoLayout layout = LayOutImage(root);
    IsoNode& sub1 = root.children[1];
    IsoNode& deep = sub1.children[0];
    IsoNode& sub2 = root.children[3];

    EXPECT_EQ(layout.primaryPathTable.block, 19u);
    EXPECT_EQ(layout.jolietPathTable.block, 20u);
    // breadth first: root, sub1, sub2, deep
    ASSERT_EQ(layout.primaryDirectories, (std::vector<IsoNode*>{&root, &sub1, &sub2, &deep}));
    ASSERT_EQ(layout.jolietDirectories, layout.primaryDirectories);
    struct Expect {
        IsoNode* directory;
        std::uint16_t number, parent;
        std::uint32_t primary, joliet;
    };
    for (Expect e : {Expect{&root, 1, 1, 21, 25}, Expect{&sub1, 2, 1, 22, 26}, Expect{&sub2, 3, 1, 23, 27},
                     Expect{&deep, 4, 2, 24, 28}}) {
        EXPECT_EQ(e.directory->primaryNumbers.number, e.number);
        EXPECT_EQ(e.directory->primaryNumbers.parent, e.parent);
        EXPECT_EQ(e.directory->primary.block, e.primary);
        EXPECT_EQ(e.directory->joliet.block, e.joliet);
        EXPECT_EQ(e.directory->primary.size, 2048u);
    }
    // file data follows the directories in listing order, depth first: each subfolder's
    // files before the files listed after it
    EXPECT_EQ(root.children[0].data.block, 29u);
    EXPECT_EQ(deep.children[0].data.block, 31u);
    EXPECT_EQ(sub1.children[1].data.block, 34u);
    EXPECT_EQ(sub2.children[0].data.block, 35u);
    EXPECT_EQ(root.children[4].data.block, 36u);
    EXPECT_EQ(root.children[2].data.block, 0u) << "an empty file owns no block";
    EXPECT_EQ(root.children[2].data.size, 0u);
    EXPECT_EQ(layout.totalBlocks, 37u);
    ASSERT_EQ(layout.files.size(), 6u);
    EXPECT_EQ(layout.files, (std::vector<const IsoNode*>{&root.children[0], &deep.children[0], &sub1.children[1],
                                                          &root.children[2], &sub2.children[0], &root.children[4]}))
        << "data goes out in allocation order";
}

TEST(IsoLayout, EachTreeNumbersItsFoldersInItsOwnIdentifierOrder)
{
    // "a" maps to A, which sorts before B; in Joliet "B" (0x42) sorts before "a" (0x61).
    IsoNode root = Root({Folder(u"a", {Folder(u"z", {})}), Folder(u"B", {Folder(u"y", {})}), File(u"0", 1)});
    IsoLayout layout = LayOutImage(root);
    IsoNode& a = root.children[0];
    IsoNode& b = root.children[1];
    IsoNode& z = a.children[0];
    IsoNode& y = b.children[0];
    ASSERT_EQ(layout.primaryDirectories, (std::vector<IsoNode*>{&root, &a, &b, &z, &y}));
    ASSERT_EQ(layout.jolietDirectories, (std::vector<IsoNode*>{&root, &b, &a, &y, &z}));
    struct Expect {
        IsoNode* directory;
        PathNumbers primary, joliet;
    };
    for (Expect e : {Expect{&root, {1, 1}, {1, 1}}, Expect{&a, {2, 1}, {3, 1}}, Expect{&b, {3, 1}, {2, 1}},
                     Expect{&z, {4, 2}, {5, 3}}, Expect{&y, {5, 3}, {4, 2}}}) {
        EXPECT_EQ(e.directory->primaryNumbers.number, e.primary.number);
        EXPECT_EQ(e.directory->primaryNumbers.parent, e.primary.parent);
        EXPECT_EQ(e.directory->jolietNumbers.number, e.joliet.number);
        EXPECT_EQ(e.directory->jolietNumbers.parent, e.joliet.parent);
    }
    // each tree's extents follow its own path-table order
    EXPECT_EQ(a.primary.block + 1, b.primary.block);
    EXPECT_EQ(b.joliet.block + 1, a.joliet.block);
    EXPECT_EQ(y.joliet.block + 1, z.joliet.block);
}

TEST(IsoLayout, TreeWithoutFilesEndsAfterItsDirectories)
{
    IsoNode root = Root({Folder(u"only", {})});
    IsoLayout layout = LayOutImage(root);
    EXPECT_EQ(layout.primaryPathTable.size, 10u + 12);
    EXPECT_EQ(layout.totalBlocks, 25u);
}

TEST(IsoLayout, PathTablesLongerThanABlockTakeSeveralBlocks)
{
    IsoNode root = Root({});
    for (int i = 0; i < 150; ++i)
        root.children.push_back(Folder(u"folder" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                                           std::u16string(1, static_cast<char16_t>(u'a' + i / 26)),
                                       {}));
    IsoLayout layout = LayOutImage(root);
    EXPECT_EQ(layout.primaryPathTable.size, 10u + 150 * 16);
    EXPECT_EQ(layout.jolietPathTable.size, 10u + 150 * 24);
    EXPECT_EQ(layout.jolietPathTable.block, layout.primaryPathTable.block + 2);
    EXPECT_EQ(root.primary.block, layout.jolietPathTable.block + 2);
}

TEST(IsoPlan, AVolumeBeyond32BitsOfBlocksIsRefusedNotWrapped)
{
    // 2100 files just below 4 GiB need 2100 * 2^21 blocks: counted in 32 bits that wraps
    // round to about 208 GiB, which a target of 2 TiB would seem to hold.
    std::vector<SourceEntry> entries(2100);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].name = "f" + std::to_string(i);
        entries[i].wideName = platform::Utf8ToWide(entries[i].name);
        entries[i].size = 0xFFFFFFFFull;
        entries[i].next = i + 1 < entries.size() ? &entries[i + 1] : nullptr;
    }
    FsBuildContext ctx;
    ResetBuildContext(ctx);
    ctx.u64TotalSector = 0xFFFFFFFFull;
    IsoImagePlan plan;
    EXPECT_FALSE(PlanIsoImage(ctx, entries.data(), plan));
    EXPECT_GT(plan.layout.totalBlocks, 0xFFFFFFFFull);
}

struct LimitCase {
    const char* what;
    IsoNode root;
    bool buildable;
};

class TreeLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(TreeLimits, FieldsThatWouldOverflowAreRefused)
{
    std::string problem = CheckTreeLimits(GetParam().root);
    EXPECT_EQ(problem.empty(), GetParam().buildable) << problem;
}

INSTANTIATE_TEST_SUITE_P(Cases, TreeLimits,
    ::testing::Values(LimitCase{"casesDiffer", Root({File(u"Case.txt", 1), File(u"case.txt", 1)}), true},
                      LimitCase{"namesEqualAfterTheCut", Root({File(std::u16string(64, u'n'), 1), File(std::u16string(64, u'n'), 1)}), false},
                      LimitCase{"equalNamesInASubfolder", Root({Folder(u"a", {Folder(u"b", {}), File(u"b", 1)})}), false},
                      LimitCase{"fileJustBelow4GiB", Root({File(u"big", 0xFFFFFFFFull)}), true},
                      LimitCase{"file4GiB", Root({Folder(u"a", {File(u"big", 0x100000000ull)})}), false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(TreeLimitsCount, AtMost65535Folders)
{
    IsoNode root = Root({});
    for (int i = 0; i < 65534; ++i)
        root.children.push_back(Folder(platform::Utf8ToWide(std::to_string(i)), {}));
    EXPECT_EQ(CheckTreeLimits(root), "");
    root.children.push_back(Folder(u"one more", {}));
    EXPECT_NE(CheckTreeLimits(root), "");
}
