#include "platform/usbsys/storage_records.h"

#include "platform/debug/debug.h"
#include "platform/registry/values.h"

namespace platform::usbsys {

void KeepStorageRecord(const std::string& instanceId, const Disk& disk)
{
    if (instanceId.rfind("USBSTOR\\", 0) != 0)
        return;
    std::string friendlyName = disk.vendor;
    if (!disk.model.empty())
        friendlyName += (friendlyName.empty() ? "" : " ") + disk.model;
    friendlyName += " USB Device";
    registry::ScopedKey record;
    LSTATUS status =
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Enum\\" + instanceId).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, record.out(), nullptr);
    if (status == ERROR_SUCCESS)
        status = registry::KeepString(record.get(), "FriendlyName", friendlyName);
    if (status != ERROR_SUCCESS)
        DebugPrintf("enumeration record of %s not kept: error %ld", instanceId.c_str(), static_cast<long>(status));
}

} // namespace platform::usbsys
