#include "server/topology/registry_info.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"
#include "platform/usbsys/usb_names.h"

#include <cstdio>

void LookupUsbRegistryInfo(WORD vendorId, WORD productId, const std::string& driverKey, PortRecord& record)
{
    char key[32];
    std::snprintf(key, sizeof key, "vid_%04x&pid_%04x", vendorId, productId);
    auto found = platform::usbsys::FindEnumRecord(key, driverKey);
    if (!found) {
        platform::DebugPrintf("no enumeration record for %s %s", key, driverKey.c_str());
        return;
    }
    if (found->parentIdPrefix.empty()) {
        platform::CopyToField(record.parentIdPrefix, sizeof record.parentIdPrefix, found->instanceName);
        platform::CopyToField(record.serialNumber, sizeof record.serialNumber, found->instanceName);
    } else {
        platform::CopyToField(record.parentIdPrefix, sizeof record.parentIdPrefix, found->parentIdPrefix);
    }
    platform::CopyToField(record.symbolicName, sizeof record.symbolicName, found->symbolicName);
}
