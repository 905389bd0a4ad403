// The FileVersion text of a program or library, read from its version resource as the
// station reads it: the resource, its first language / code-page pair, then the string.
#pragma once

#include <optional>
#include <string>

namespace platform {

// nullopt when the file has no version resource (or no FileVersion in it).
std::optional<std::u16string> ReadFileVersionText(const std::u16string& path);

} // namespace platform
