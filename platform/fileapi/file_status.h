// What the find-file and attribute calls report about a Linux file.
#pragma once

#include "platform/fileapi/fileapi.h"

#include <string>

namespace platform {

struct FileStatus {
    DWORD attributes = 0;
    ULONGLONG size = 0;
    FILETIME creation{}, lastAccess{}, lastWrite{};
    bool listable = false; // a regular file or a folder
};

// Follows symbolic links; a dangling link is described as an empty file (opening it fails
// later, where a caller can report it). False with the last error set when the path is
// missing.
bool ReadFileStatus(const std::string& path, FileStatus& status);

} // namespace platform
