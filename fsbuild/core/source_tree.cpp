#include "fsbuild/core/source_tree.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/fileapi/fileapi.h"
#include "platform/text/text.h"

#include <vector>

namespace {

SourceEntry* NewEntry(const std::string& folder, const WIN32_FIND_DATAA& data)
{
    auto* entry = new SourceEntry{};
    entry->name = data.cFileName;
    entry->wideName = platform::AnsiToWide(entry->name);
    entry->sourcePath = folder + "/" + entry->name;
    entry->shortName = data.cAlternateFileName[0] != '\0' ? data.cAlternateFileName : entry->name;
    entry->attributes = data.dwFileAttributes;
    entry->size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    entry->creationTime = platform::FileTimeValue(data.ftCreationTime);
    entry->lastAccessTime = platform::FileTimeValue(data.ftLastAccessTime);
    entry->lastWriteTime = platform::FileTimeValue(data.ftLastWriteTime);
    entry->isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return entry;
}

bool ScanFolder(FsBuildContext& ctx, const std::string& folder, SourceEntry*& list)
{
    list = nullptr;
    SourceEntry** tail = &list;
    WIN32_FIND_DATAA data;
    std::string pattern = folder + "/*.*";
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf("Invalid file handle. Error is %u.\n", GetLastError());
        return false;
    }
    bool ok = true;
    do {
        bool isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDirectory && data.cFileName[0] == '.')
            continue;
        SourceEntry* entry = NewEntry(folder, data);
        *tail = entry;
        tail = &entry->next;
        if (isDirectory)
            ok = ScanFolder(ctx, entry->sourcePath, entry->child);
        else
            ctx.u64NeededBytes += entry->size;
    } while (ok && FindNextFileA(find, &data));
    if (ok && GetLastError() != ERROR_NO_MORE_FILES) {
        platform::DebugPrintf("FindNextFile error. Error is %u.\n", GetLastError());
        ok = false;
    }
    FindClose(find);
    return ok;
}

} // namespace

bool ScanSourceTree(FsBuildContext& ctx, const std::string& folder, SourceEntry*& tree)
{
    std::uint64_t neededBefore = ctx.u64NeededBytes;
    if (ScanFolder(ctx, folder, tree))
        return true;
    FreeSourceTree(tree);
    tree = nullptr;
    ctx.u64NeededBytes = neededBefore;
    return false;
}

void FreeSourceTree(SourceEntry* tree)
{
    // Iterative, so that deep or wide trees cannot exhaust the stack.
    std::vector<SourceEntry*> pending;
    if (tree != nullptr)
        pending.push_back(tree);
    while (!pending.empty()) {
        SourceEntry* entry = pending.back();
        pending.pop_back();
        if (entry->next != nullptr)
            pending.push_back(entry->next);
        if (entry->child != nullptr)
            pending.push_back(entry->child); // taken first: children before siblings
        delete entry;
    }
}
