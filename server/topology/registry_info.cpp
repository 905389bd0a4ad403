#include "server/topology/registry_info.h"

#include "platform/debug/debug.h"
#include "platform/registry/values.h"
#include "platform/text/text.h"

#include <cstdio>
#include <optional>
#include <strings.h>

namespace {

using platform::registry::ScopedKey;

constexpr const char* kUsbEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\USB";

// The name of subkey `index`, or nothing past the last one.
std::optional<std::string> SubkeyName(HKEY key, DWORD index)
{
    char name[kMaxKeyNameLength + 1];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(name, length);
}

// The instance subkey of the device id whose "Driver" value is the driver key, the whole
// value (a damaged one may hold a NUL before its end). Key names compare without letter
// case, so the device id's key is opened by its name.
std::optional<std::string> FindInstance(HKEY usb, const char* deviceId, const std::string& driverKey)
{
    ScopedKey device;
    if (RegOpenKeyExA(usb, deviceId, 0, KEY_READ, device.out()) != ERROR_SUCCESS)
        return std::nullopt;
    for (DWORD j = 0; auto instance = SubkeyName(device.get(), j); ++j) {
        ScopedKey key;
        std::string driver;
        if (RegOpenKeyExA(device.get(), instance->c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS &&
            platform::registry::QueryString(key.get(), "Driver", driver) == ERROR_SUCCESS && driver.size() == driverKey.size() &&
            ::strncasecmp(driver.data(), driverKey.data(), driver.size()) == 0)
            return std::string(deviceId) + "\\" + *instance;
    }
    return std::nullopt;
}

} // namespace

void LookupUsbRegistryInfo(WORD vendorId, WORD productId, const std::string& driverKey, PortRecord& record)
{
    char deviceId[32];
    std::snprintf(deviceId, sizeof deviceId, "vid_%04x&pid_%04x", vendorId, productId);
    ScopedKey usb;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUsbEnumKey, 0, KEY_READ, usb.out()) != ERROR_SUCCESS) {
        platform::DebugPrintf("no enumeration records");
        return;
    }
    auto instance = FindInstance(usb.get(), deviceId, driverKey);
    ScopedKey key;
    if (!instance || RegOpenKeyExA(usb.get(), instance->c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) {
        platform::DebugPrintf("no enumeration record for %s %s", deviceId, driverKey.c_str());
        return;
    }
    std::string prefix;
    if (platform::registry::QueryString(key.get(), "ParentIdPrefix", prefix) == ERROR_SUCCESS) {
        platform::CopyToField(record.parentIdPrefix, sizeof record.parentIdPrefix, prefix);
    } else {
        const std::string name = instance->substr(instance->find('\\') + 1);
        platform::CopyToField(record.parentIdPrefix, sizeof record.parentIdPrefix, name);
        platform::CopyToField(record.serialNumber, sizeof record.serialNumber, name);
    }
    ScopedKey parameters;
    std::string symbolicName;
    if (RegOpenKeyExA(key.get(), "Device Parameters", 0, KEY_READ, parameters.out()) == ERROR_SUCCESS &&
        platform::registry::QueryString(parameters.get(), "SymbolicName", symbolicName) == ERROR_SUCCESS)
        platform::CopyToField(record.symbolicName, sizeof record.symbolicName, symbolicName);
}
