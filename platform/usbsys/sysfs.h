// Reading sysfs. The root is /sys, or $FABRUN_SYSFS_ROOT when set, so that a small tree
// built by a test can stand in for the machine's own. Links are followed lexically
// (sysfs links are relative), which also works inside a test-built tree.
#pragma once

#include <climits>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace platform::usbsys {

std::string SysfsRoot();

// A small file whole (an attribute, or anything that hands over what it holds in one go).
std::optional<std::string> ReadWholeFile(const std::string& path);

// The text of an attribute file without its line end and surrounding blanks.
std::optional<std::string> ReadAttribute(const std::string& folder, const char* name);
// The number in an attribute's text, as the kernel writes numbers: hexadecimal digits with or
// without "0x" ("0951", "0x8086"), or decimal digits with or without a fraction after '.'
// ("480", "1.5"; the fraction is dropped). Nothing for any other text (a sign, a blank, any
// other character) or for a number above `limit`, which would not be the number read.
std::optional<unsigned> ParseHexNumber(std::string_view text, unsigned limit = UINT_MAX);
std::optional<unsigned> ParseDecimalNumber(std::string_view text, unsigned limit = UINT_MAX);

// A hexadecimal attribute ("0951"), or nothing when missing or malformed.
std::optional<unsigned> ReadHexAttribute(const std::string& folder, const char* name);
std::optional<unsigned> ReadDecimalAttribute(const std::string& folder, const char* name);
// The bytes of a binary attribute, or nothing when it is missing.
std::optional<std::vector<std::uint8_t>> ReadBinaryAttribute(const std::string& folder, const char* name);
bool HasEntry(const std::string& folder, const char* name);

// Names in a folder, sorted; empty when it cannot be read.
std::vector<std::string> ListFolder(const std::string& folder);
// The path an entry leads to, with links followed and "." and ".." folded away.
std::string ResolvePath(const std::string& path);

// Resolves paths as ResolvePath does, remembering the folders it has found not to be links,
// so that the entries of one listing look at the parents they share once. Keep one for one
// reading of the tree only: what it remembers is true of that moment.
class PathResolver {
public:
    std::string Resolve(const std::string& path);

private:
    struct Link {
        std::size_t end; // where the linked part ends in the path
        std::string target;
    };
    std::optional<Link> FirstLink(const std::string& path);
    void TrustDeviceFolders(const std::string& target);

    std::set<std::string> plainParts_;
};

} // namespace platform::usbsys
