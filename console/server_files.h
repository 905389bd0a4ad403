// Installing the device access server: when the copy of Portwarden beside the program and
// the one in the system folder differ in their FileVersion text (or either has none),
// Portwarden and Volkiln are copied into the system folder and the server is registered
// there with regsvr32, whose end is awaited.
#pragma once

#include <string>

struct ServerInstallResult {
    bool copied = false;     // the files were copied and the server registered
    std::u16string problems; // for the operator: what failed, one line each; empty when all went well
};

ServerInstallResult InstallServerFiles(const std::u16string& programFolder);
