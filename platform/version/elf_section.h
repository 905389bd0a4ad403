// Reads one named section of an ELF file, checking every offset against the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The section's bytes; nullopt when the file is not a readable 64-bit little-endian ELF
// file or has no such section.
std::optional<std::string> ReadElfSection(const std::string& path, std::string_view sectionName);

} // namespace platform
