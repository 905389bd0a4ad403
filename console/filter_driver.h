// The storage filter driver, switched on and off by its installer program
// ("Driver\RZ87XFilterInst.exe" in the program folder: "e" on, "d" off), started hidden
// without waiting.
#pragma once

#include <string>

// True when the installer was started.
bool StartFilterInstaller(const std::u16string& programFolder, bool switchOn);
