// The full path of the server library itself, as it is registered.
#pragma once

#include <string>

namespace portwarden {

bool OwnLibraryPath(std::string& path);

} // namespace portwarden
