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
                         Folder(u"sub1", {File(u"x", 1), Folder(u"deep", {File(u"y", 5000)})}),
                         File(u"empty", 0),
                         Folder(u"sub2", {File(u"z", 2048)})});
    IsoLayout layout = LayOutImage(root);
    IsoNode& sub1 = root.children[1];
    IsoNode& deep = sub1.children[1];
    IsoNode& sub2 = root.children[3];

    EXPECT_EQ(layout.primaryPathTable.block, 19u);
    EXPECT_EQ(layout.jolietPathTable.block, 20u);
    // breadth first: root, sub1, sub2, deep
    ASSERT_EQ(layout.directories, (std::vector<IsoNode*>{&root, &sub1, &sub2, &deep}));
    struct Expect {
        IsoNode* directory;
        std::uint16_t number, parent;
        std::uint32_t primary, joliet;
    };
    for (Expect e : {Expect{&root, 1, 1, 21, 25}, Expect{&sub1, 2, 1, 22, 26}, Expect{&sub2, 3, 1, 23, 27},
                     Expect{&deep, 4, 2, 24, 28}}) {
        EXPECT_EQ(e.directory->number, e.number);
        EXPECT_EQ(e.directory->parentNumber, e.parent);
        EXPECT_EQ(e.directory->primary.block, e.primary);
        EXPECT_EQ(e.directory->joliet.block, e.joliet);
        EXPECT_EQ(e.directory->primary.size, 2048u);
    }
    // file data follows the directories, a folder's files before its subfolders
    EXPECT_EQ(root.children[0].data.block, 29u);
    EXPECT_EQ(sub1.children[0].data.block, 31u);
    EXPECT_EQ(deep.children[0].data.block, 32u);
    EXPECT_EQ(sub2.children[0].data.block, 35u);
    EXPECT_EQ(root.children[2].data.block, 0u) << "an empty file owns no block";
    EXPECT_EQ(root.children[2].data.size, 0u);
    EXPECT_EQ(layout.totalBlocks, 36u);
    ASSERT_EQ(layout.files.size(), 5u);
    EXPECT_EQ(layout.files[3], &deep.children[0]) << "data goes out in allocation order";
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
