#include "platform/usbsys/usb_flags.h"

#include "platform/registry/values.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace platform::usbsys {

std::string IgnoreSerialValueName(WORD vendorId, WORD productId)
{
    char name[32];
    std::snprintf(name, sizeof name, "IgnoreHWSerNum%04x%04x", vendorId, productId);
    return name;
}

bool SerialNumbersIgnored(WORD vendorId, WORD productId)
{
    registry::ScopedKey flags;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUsbFlagsKey, 0, KEY_QUERY_VALUE, flags.out()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    std::vector<BYTE> data;
    if (registry::QueryValue(flags.get(), IgnoreSerialValueName(vendorId, productId).c_str(), type, data) != ERROR_SUCCESS)
        return false;
    return std::any_of(data.begin(), data.end(), [](BYTE byte) { return byte != 0; });
}

} // namespace platform::usbsys
