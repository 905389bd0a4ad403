#include "server/registry/device_records.h"

#include "platform/registry/values.h"
#include "platform/usbsys/usb_flags.h"
#include "server/shell/debug_line.h"

#include <cstdio>

namespace portwarden {

std::string UsbRecordsKey(WORD vendorId, WORD productId)
{
    char path[80];
    std::snprintf(path, sizeof path, "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_%04x&Pid_%04x", vendorId, productId);
    return path;
}

std::optional<std::string> StorageRecordsKey(const std::string& vendor, const std::string& product,
                                             const std::string& revision)
{
    for (const std::string* text : {&vendor, &product, &revision})
        if (text->find('\\') != std::string::npos) {
            DebugLine("DeleteDevRegistryRecordEx: \"%s\" holds a '\\'", text->c_str());
            return std::nullopt;
        }
    return "SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_" + vendor + "&Prod_" + product + "&Rev_" + revision;
}

int SetIgnoreSerialFlag(WORD vendorId, WORD productId)
{
    // The hub driver's key always exists on a station that has had USB devices; a fresh
    // store gets it here.
    platform::registry::ScopedKey flags;
    LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, platform::usbsys::kUsbFlagsKey, 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, flags.out(), nullptr);
    const BYTE ignore = 1;
    const std::string name = platform::usbsys::IgnoreSerialValueName(vendorId, productId);
    if (status == ERROR_SUCCESS)
        status = RegSetValueExA(flags.get(), name.c_str(), 0, REG_BINARY, &ignore, 1);
    if (status == ERROR_SUCCESS)
        return 1;
    DebugLine("SetIgnoredRegistry: %s not set: error %ld", name.c_str(), static_cast<long>(status));
    return 0;
}

} // namespace portwarden
