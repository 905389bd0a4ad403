// Whole-file reads and atomic replacement of INI files, with the file identity the
// parsed-copy cache compares.
#pragma once

#include "platform/profile/file_identity.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::profile {

enum class ReadStatus { Read, Missing, Failed };

// Stats the file. Missing covers an absent file or folder; Failed every other error (errno kept).
ReadStatus StatFile(const std::string& path, FileIdentity& identity);

// Reads the whole file; `identity` is that of the descriptor the bytes came from.
ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, FileIdentity& identity);

// Writes the bytes to a new file beside the target, flushes it to the disk and renames
// it over the target, so that readers see the old file or the new one, never a part.
// A link is followed: its target is replaced. Keeps an existing file's permissions.
// Returns false with errno set; the temporary file is removed then.
bool ReplaceFile(const std::string& path, std::string_view bytes, FileIdentity& identity);

// Wall-clock time in the units of file modification times (ns since the epoch).
std::int64_t WallClockNs();

} // namespace platform::profile
