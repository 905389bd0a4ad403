// GUIDs as COM lays them out (16 bytes), and their text form.
#pragma once

#include "platform/base/wintypes.h"

#include <string>

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID keeps its 16-byte layout");

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr bool operator==(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}

constexpr bool IsEqualGUID(REFGUID a, REFGUID b)
{
    return a == b;
}

namespace platform {

// The braced upper-case form, "{C01DBC00-2BB4-4B8C-BE35-F57F1622CB5A}" (38 characters).
std::string GuidText(REFGUID guid);

} // namespace platform
