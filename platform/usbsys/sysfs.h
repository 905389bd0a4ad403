// Reading sysfs. The root is /sys, or $FABRUN_SYSFS_ROOT when set, so that a small tree
// built by a test can stand in for the machine's own. Links are followed lexically
// (sysfs links are relative), which also works inside a test-built tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::usbsys {

std::string SysfsRoot();

// The text of an attribute file without its line end and surrounding blanks.
std::optional<std::string> ReadAttribute(const std::string& folder, const char* name);
// A hexadecimal attribute ("0951"), or nothing when missing or malformed.
std::optional<unsigned> ReadHexAttribute(const std::string& folder, const char* name);
std::optional<unsigned> ReadDecimalAttribute(const std::string& folder, const char* name);
std::vector<std::uint8_t> ReadBinaryAttribute(const std::string& folder, const char* name);
bool HasEntry(const std::string& folder, const char* name);

// Names in a folder, sorted; empty when it cannot be read.
std::vector<std::string> ListFolder(const std::string& folder);
// The path an entry leads to, with links followed and "." and ".." folded away.
std::string ResolvePath(const std::string& path);

} // namespace platform::usbsys
