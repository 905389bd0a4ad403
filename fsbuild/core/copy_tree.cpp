#include "fsbuild/core/copy_tree.h"

#include "fsbuild/core/sector_writer.h"
#include "fsbuild/core/status.h"
#include "fsbuild/core/volume_access.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/fileapi/drive_paths.h"
#include "platform/fileapi/fileapi.h"

#include <cstdio>

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Joins with "/" (drive paths take either separator) unless `folder` already ends in one.
std::string Join(const std::string& folder, const std::string& name)
{
    bool separated = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
    return folder + (separated ? "" : "/") + name;
}

bool IsDriveDesignator(const std::string& part)
{
    return !part.empty() && part.back() == ':';
}

// Opens the copy with write-through and flushes it, so that it is on the volume when the
// build reports success.
bool FlushCopy(const std::string& destination)
{
    auto path = platform::LinuxPathOf(destination);
    HANDLE file = path ? CreateFileA(path->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING, nullptr)
                       : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool flushed = FlushFileBuffers(file) != FALSE;
    CloseHandle(file);
    return flushed;
}

bool CopyFileEntry(FsBuildContext& ctx, const std::string& from, const std::string& to, const WIN32_FIND_DATAA& data)
{
    if (Exists(to))
        SetFileAttributesA(to.c_str(), data.dwFileAttributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) {
        platform::DebugPrintf("CopyFile %s -> %s failed, error %u", from.c_str(), to.c_str(), GetLastError());
        return false;
    }
    if (!FlushCopy(to)) {
        platform::DebugPrintf("FlushFileBuffers %s failed, error %u", to.c_str(), GetLastError());
        return false;
    }
    AddProgress(ctx, (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
    return true;
}

bool CopyFolder(FsBuildContext& ctx, const std::string& source, const std::string& destination)
{
    WIN32_FIND_DATAA data;
    std::string pattern = Join(source, "*.*");
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf("CopySourceTree: %s cannot be listed, error %u", source.c_str(), GetLastError());
        return false;
    }
    bool ok = true;
    do {
        std::string name = data.cFileName;
        std::string from = Join(source, name), to = Join(destination, name);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            ok = CopyFileEntry(ctx, from, to, data);
        } else if (name != "." && name != "..") {
            if (!CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                platform::DebugPrintf("CreateDirectory %s failed, error %u", to.c_str(), GetLastError());
                ok = false;
            } else {
                ok = CopyFolder(ctx, from, to);
            }
        }
    } while (ok && FindNextFileA(find, &data));
    if (ok && GetLastError() != ERROR_NO_MORE_FILES) {
        platform::DebugPrintf("CopySourceTree: listing %s failed, error %u", source.c_str(), GetLastError());
        ok = false;
    }
    FindClose(find);
    return ok;
}

} // namespace

bool CreateDirectoryTree(const std::string& path)
{
    if (path.empty() || Exists(path))
        return true;
    std::size_t cut = path.find_last_of("/\\");
    std::string parent = cut == std::string::npos ? "" : path.substr(0, cut);
    std::string part = cut == std::string::npos ? path : path.substr(cut + 1);
    if (IsDriveDesignator(part) || part.empty())
        return Exists(path);
    if (!parent.empty() && !IsDriveDesignator(parent) && !CreateDirectoryTree(parent))
        return false;
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CopySourceTree(FsBuildContext& ctx, const std::string& source, const std::string& destination)
{
    if (!Exists(source)) {
        platform::DebugPrintf("CopySourceTree: %s does not exist", source.c_str());
        return false;
    }
    if (!CreateDirectoryTree(destination)) {
        platform::DebugPrintf("CopySourceTree: %s cannot be created, error %u", destination.c_str(), GetLastError());
        return false;
    }
    return CopyFolder(ctx, source, destination);
}

std::int32_t CopySourceToBuiltVolume(FsBuildContext& ctx)
{
    char letter = 0;
    if (ctx.u8CreateWay == kCreateOnDrive) {
        letter = static_cast<char>(ctx.i32DriveOrDisk & 0xFF);
    } else if (ctx.u8CreateWay == kCreateOnDisk || ctx.u8CreateWay == kCreateOnDiskNoDismount) {
        letter = FindDriveLetterOfDisk(ctx.i32DriveOrDisk);
        if (letter == static_cast<char>(0xFF)) {
            platform::DebugPrintf("Find Driver Letter fail");
            return kStatusFailed;
        }
    } else {
        platform::DebugPrintf("m1B_CreateWay fail");
        return kStatusFailed;
    }
    char root[4];
    std::snprintf(root, sizeof root, "%c:\\", letter);
    return CopySourceTree(ctx, ctx.strSourcePath, root) ? kStatusSuccess : kStatusFailed;
}
