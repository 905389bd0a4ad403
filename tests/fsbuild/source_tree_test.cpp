#include "fsbuild/core/source_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class SourceTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::path(::testing::TempDir()) / ("source_tree_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "folder" / "inner");
        fs::create_directories(root_ / ".hidden_folder");
        Write(root_ / "three.bin", 3);
        Write(root_ / ".dotfile", 5);
        Write(root_ / "folder" / "seven.bin", 7);
        Write(root_ / "folder" / "inner" / "eleven.bin", 11);
        Write(root_ / ".hidden_folder" / "ignored.bin", 1000);
        ::mkfifo((root_ / "pipe").c_str(), 0600);
        ResetBuildContext(ctx_);
    }
    void TearDown() override { fs::remove_all(root_); }
    static void Write(const fs::path& path, std::size_t bytes) { std::ofstream(path) << std::string(bytes, 'x'); }

    static std::vector<std::string> Names(const SourceEntry* list)
    {
        std::vector<std::string> names;
        for (; list != nullptr; list = list->next)
            names.push_back(list->name);
        std::sort(names.begin(), names.end());
        return names;
    }
    static const SourceEntry* Find(const SourceEntry* list, const std::string& name)
    {
        for (; list != nullptr; list = list->next)
            if (list->name == name)
                return list;
        return nullptr;
    }

    fs::path root_;
    FsBuildContext ctx_;
};

} // namespace

TEST_F(SourceTreeTest, ListsFilesAndFoldersRecursivelyAndSumsTheSizes)
{
    ScopedSourceTree tree;
    ctx_.u64NeededBytes = 100;
    ASSERT_TRUE(ScanSourceTree(ctx_, root_.string(), tree.root()));
    EXPECT_EQ(Names(tree.get()), (std::vector<std::string>{".dotfile", "folder", "three.bin"}))
        << "folders beginning with a dot and entries that are no file are left out";
    EXPECT_EQ(ctx_.u64NeededBytes, 100u + 3 + 5 + 7 + 11);
    const SourceEntry* folder = Find(tree.get(), "folder");
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(folder->isDirectory);
    EXPECT_EQ(Names(folder->child), (std::vector<std::string>{"inner", "seven.bin"}));
    const SourceEntry* seven = Find(folder->child, "seven.bin");
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->size, 7u);
    EXPECT_EQ(seven->sourcePath, (root_ / "folder" / "seven.bin").string());
    EXPECT_EQ(seven->wideName, u"seven.bin");
    EXPECT_EQ(seven->shortName, "seven.bin") << "no alternate name on this system: the name itself";
    EXPECT_GT(seven->lastWriteTime, 116444736000000000ull) << "a file time after 1970";
    EXPECT_EQ(Names(Find(folder->child, "inner")->child), (std::vector<std::string>{"eleven.bin"}));
}

TEST_F(SourceTreeTest, AFolderThatCannotBeListedFailsTheListing)
{
    SourceEntry* tree = nullptr;
    ctx_.u64NeededBytes = 100;
    EXPECT_FALSE(ScanSourceTree(ctx_, (root_ / "missing").string(), tree));
    EXPECT_EQ(tree, nullptr);
    EXPECT_EQ(ctx_.u64NeededBytes, 100u);
}

TEST(FreeSourceTree, FreesWideAndDeepTreesWithoutRecursion)
{
    SourceEntry* wide = nullptr;
    SourceEntry* deep = nullptr;
    for (int i = 0; i < 200000; ++i) {
        auto* sibling = new SourceEntry{};
        sibling->next = wide;
        wide = sibling;
        auto* parent = new SourceEntry{};
        parent->child = deep;
        deep = parent;
    }
    FreeSourceTree(wide);
    FreeSourceTree(deep);
}
