#include "fsbuild/fat/fat_room.h"

#include "fsbuild/fat/fat_tree_writer.h"

#include "platform/debug/debug.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint64_t kLargestFile = 0xFFFFFFFFull;   // sizes are 32-bit in a directory entry
constexpr std::uint64_t kLargestDirectory = 65536;      // entries a FAT folder can hold
constexpr std::uint64_t kFat16RootEntries = 512;
constexpr std::size_t kEntryBytes = 32;

std::uint64_t ClustersFor(std::uint64_t bytes, std::uint32_t clusterBytes)
{
    return (bytes + clusterBytes - 1) / clusterBytes;
}

} // namespace

TreeFit CheckFatTreeFits(const FsBuildContext& ctx, const SourceEntry* tree)
{
    bool fat16 = IsFat16(ctx);
    std::uint64_t rootSlots = DirectorySlots(tree) + (ctx.strLabel.empty() ? 0 : 1);
    if (fat16 && rootSlots > kFat16RootEntries) {
        platform::DebugPrintf("the root directory needs %llu entries, FAT16 holds 512",
                              static_cast<unsigned long long>(rootSlots));
        return TreeFit::RootFull;
    }
    if (rootSlots > kLargestDirectory) {
        platform::DebugPrintf("the root directory needs %llu entries, a FAT folder holds 65536",
                              static_cast<unsigned long long>(rootSlots));
        return TreeFit::TooLarge;
    }
    std::uint64_t clusters = fat16 ? 0 : std::max<std::uint64_t>(1, ClustersFor(rootSlots * kEntryBytes, ctx.u32ClusterBytes));
    std::vector<const SourceEntry*> folders{tree};
    while (!folders.empty()) {
        const SourceEntry* list = folders.back();
        folders.pop_back();
        for (const SourceEntry* entry = list; entry != nullptr; entry = entry->next) {
            if (entry->isDirectory) {
                std::uint64_t slots = DirectorySlots(entry->child) + 2;
                if (slots > kLargestDirectory) {
                    platform::DebugPrintf("%s needs %llu directory entries, a FAT folder holds 65536",
                                          entry->sourcePath.c_str(), static_cast<unsigned long long>(slots));
                    return TreeFit::TooLarge;
                }
                clusters += ClustersFor(slots * kEntryBytes, ctx.u32ClusterBytes);
                folders.push_back(entry->child);
            } else if (entry->size > kLargestFile) {
                platform::DebugPrintf("%s has %llu bytes: FAT stores files below 4 GiB", entry->sourcePath.c_str(),
                                      static_cast<unsigned long long>(entry->size));
                return TreeFit::TooLarge;
            } else {
                clusters += ClustersFor(entry->size, ctx.u32ClusterBytes);
            }
        }
    }
    if (clusters > ctx.u32ClusterCount) {
        platform::DebugPrintf("the source tree needs %llu clusters, the volume has %u",
                              static_cast<unsigned long long>(clusters), ctx.u32ClusterCount);
        return TreeFit::TooLarge;
    }
    return TreeFit::Fits;
}
