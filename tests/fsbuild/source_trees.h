// Source folders the builds copy, made once per test program under its temporary folder.
#pragma once

#include <string>

enum class Tree {
    None,       // no copy
    Mixed,      // nested folders, long and short names, names differing only in case, empty
                // files and folders, non-ASCII names, a file of several MiB, a folder of 100 files
    Flat600,    // 600 files in the top folder
    Root256,    // 256 files with 8.3 names in the top folder: 512 directory entries
    Root8,      // 8 files with 8.3 names in the top folder: 16 directory entries
    TooLarge,   // 40 MiB of files
    Unreadable, // a file that cannot be opened (a link to nothing)
    Missing,    // a folder that does not exist
    FourGiB,    // a (sparse) file of exactly 4 GiB
};

// The folder of a tree kind ("" for Tree::None).
std::string SourceTreePath(Tree tree);
