#include "source_trees.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, std::size_t bytes, unsigned seed)
{
    std::mt19937 random(seed);
    std::string data(bytes, '\0');
    for (char& c : data)
        c = static_cast<char>(random());
    std::ofstream(path, std::ios::binary) << data;
}

void MakeMixed(const fs::path& root)
{
    WriteFile(root / "readme.txt", 10, 1);
    WriteFile(root / "README.TXT", 20, 2);
    WriteFile(root / "ReadMe.Txt", 30, 3);
    WriteFile(root / "empty.dat", 0, 4);
    WriteFile(root / "a b c.text", 100, 5);
    WriteFile(root / "report.final.txt", 4096, 6);
    WriteFile(root / "\xC3\x9C" "berstunden.txt", 700, 7);
    WriteFile(root / "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", 800, 8);
    WriteFile(root / "a_very_long_file_name_that_needs_several_long_name_entries_to_hold_it_all.data", 5000, 9);
    WriteFile(root / "several_mib.bin", 5 * 1024 * 1024 + 123, 10);
    fs::path deep = root / "nested";
    for (int level = 1; level <= 6; ++level)
        deep /= "level" + std::to_string(level);
    fs::create_directories(deep);
    WriteFile(deep / "leaf.txt", 33, 11);
    fs::create_directories(root / "nested" / "Empty Folder");
    fs::create_directories(root / "many");
    for (int i = 0; i < 100; ++i)
        WriteFile(root / "many" / ("file_number_" + std::to_string(i) + ".txt"), 50 + static_cast<std::size_t>(i), 100 + i);
}

void MakeTree(Tree tree, const fs::path& root)
{
    fs::create_directories(root);
    switch (tree) {
    case Tree::Mixed: MakeMixed(root); break;
    case Tree::Flat600:
        for (int i = 0; i < 600; ++i)
            WriteFile(root / ("f" + std::to_string(i)), 10, static_cast<unsigned>(i));
        break;
    case Tree::Root256:
    case Tree::Root8:
        for (int i = 0; i < (tree == Tree::Root8 ? 8 : 256); ++i)
            WriteFile(root / ("F" + std::to_string(i) + ".TXT"), 10, static_cast<unsigned>(i));
        break;
    case Tree::TooLarge:
        for (int i = 0; i < 4; ++i)
            WriteFile(root / ("part" + std::to_string(i) + ".bin"), 10 * 1024 * 1024, static_cast<unsigned>(i));
        break;
    case Tree::Unreadable:
        WriteFile(root / "fine.txt", 10, 1);
        fs::create_symlink(root / "no such target", root / "unreadable.txt");
        break;
    case Tree::FourGiB:
        std::ofstream(root / "four_gib.bin").close();
        fs::resize_file(root / "four_gib.bin", 4ull << 30);
        break;
    case Tree::None:
    case Tree::Missing: break;
    }
}

} // namespace

std::string SourceTreePath(Tree tree)
{
    if (tree == Tree::None)
        return "";
    // The trees made by this test program, removed when it ends.
    struct MadeTrees {
        std::mutex lock;
        std::map<Tree, std::string> paths;
        ~MadeTrees()
        {
            for (const auto& [kind, path] : paths)
                fs::remove_all(path);
        }
    };
    static MadeTrees made;
    std::lock_guard guard(made.lock);
    if (auto found = made.paths.find(tree); found != made.paths.end())
        return found->second;
    fs::path root = fs::path(::testing::TempDir()) / ("fsbuild_tree_" + std::to_string(static_cast<int>(tree)) + "_" +
                                                      std::to_string(::getpid()));
    fs::remove_all(root);
    if (tree != Tree::Missing)
        MakeTree(tree, root);
    return made.paths[tree] = root.string();
}
