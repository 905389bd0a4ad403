// Paths that begin with a drive designator ("E:", "E:\dir\file", "e:/dir") lead to the
// mount point of that drive's volume, with either slash as separator. Other paths are
// Linux paths and stay as they are.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

bool IsDrivePath(std::string_view path);
// The Linux path, or nothing when the drive has no volume or its volume is not mounted.
std::optional<std::string> LinuxPathOf(std::string_view path);

} // namespace platform
