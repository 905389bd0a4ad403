// The listed source folder: one SourceEntry per file or folder, siblings chained through
// `next`, a folder's contents through `child`, in listing order.
#pragma once

#include "fsbuild/core/build_context.h"

#include <cstdint>
#include <string>

struct SourceEntry {
    std::string name;           // ANSI
    std::u16string wideName;    // the name converted with the ANSI code page
    std::string sourcePath;     // full path of the source
    std::string shortName;      // the system's 8.3 alternate name, or the name itself
    std::uint32_t attributes;
    std::uint64_t size;
    std::uint64_t creationTime; // 100 ns units since 1601 (UTC)
    std::uint64_t lastAccessTime;
    std::uint64_t lastWriteTime;
    bool isDirectory;
    std::uint32_t firstCluster; // filled by the FAT builder
    SourceEntry* next;          // next entry of the same folder
    SourceEntry* child;         // first entry of this folder
};

// Lists `folder` recursively into `tree` (nullptr for an empty folder) and adds the sum of
// the file sizes to ctx.u64NeededBytes. Folders whose names begin with "." are left out.
// A folder that cannot be listed fails the listing (nothing is kept).
bool ScanSourceTree(FsBuildContext& ctx, const std::string& folder, SourceEntry*& tree);

// Frees a tree (children before siblings).
void FreeSourceTree(SourceEntry* tree);

// Frees the tree it holds when it goes out of scope.
class ScopedSourceTree {
public:
    ScopedSourceTree() = default;
    ~ScopedSourceTree() { FreeSourceTree(root_); }
    ScopedSourceTree(const ScopedSourceTree&) = delete;
    ScopedSourceTree& operator=(const ScopedSourceTree&) = delete;
    SourceEntry*& root() { return root_; }
    SourceEntry* get() const { return root_; }

private:
    SourceEntry* root_ = nullptr;
};
