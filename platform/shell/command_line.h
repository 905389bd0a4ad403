// Windows command lines on this platform: words separated by blanks, a pair of double
// quotes keeps blanks inside a word. The program word is a Windows-shaped name
// ("Driver\RZ87XFilterInst.exe", "regsvr32.exe"): backslashes become '/', a relative name
// is found in the program's own folder, and a name ending in ".exe" that does not exist
// is looked for without the suffix, since programs here carry none.
#pragma once

#include "platform/base/wintypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform {

std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The file to run for a program word; empty with the last error set (ERROR_FILE_NOT_FOUND,
// ERROR_ACCESS_DENIED for a file that cannot be run) when there is none.
std::string ResolveProgram(std::string_view programWord);

} // namespace platform
