// The present device interfaces of one class: path and device node of each.
#pragma once

#include "platform/setupapi/setupapi.h"

#include <string>
#include <vector>

struct InterfacePath {
    std::string path;
    DEVINST devInst;
};

// At most 192 entries; the list ends at the first enumeration failure, and a failing
// detail call ends it with the entries so far.
std::vector<InterfacePath> EnumInterfacePaths(const GUID& classGuid);
