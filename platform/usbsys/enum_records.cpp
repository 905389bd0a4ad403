#include "platform/usbsys/enum_records.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/registry/values.h"

#include <cstdio>
#include <mutex>

namespace platform::usbsys {
namespace {

using registry::ScopedKey;

constexpr const char* kEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\";
constexpr const char* kClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr const char* kUsbDriverClass = "{36fc9e60-c465-11cf-8056-444553540000}";
constexpr unsigned kDriverKeyNumbers = 10000; // "\0000" .. "\9999"

struct Allocation {
    // Two threads naming one new device must not allocate two keys for it.
    std::mutex lock;
    // Numbers below this one were taken when this process last looked.
    unsigned next = 0;
};

Allocation& State()
{
    static Allocation* state = new Allocation;
    return *state;
}

// Claims the first free number: creating its key is the claim, so two processes never
// take the same one.
LSTATUS AllocateDriverKey(unsigned& next, std::string& driverKey)
{
    for (; next < kDriverKeyNumbers; ++next) {
        char name[64];
        std::snprintf(name, sizeof name, "%s\\%04u", kUsbDriverClass, next);
        ScopedKey key;
        DWORD disposition = 0;
        LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kClassKey) + name).c_str(), 0, nullptr,
                                         REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, key.out(), &disposition);
        if (status != ERROR_SUCCESS)
            return status;
        if (disposition == REG_CREATED_NEW_KEY) {
            driverKey = name;
            ++next;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_NO_MORE_ITEMS;
}

LSTATUS KeepRecord(const std::string& instanceId, const std::string& parentIdPrefix, const std::string& symbolicName,
                   std::string& driverKey)
{
    ScopedKey record;
    LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kEnumKey + instanceId).c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, record.out(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = registry::QueryString(record.get(), "Driver", driverKey);
    if (status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && driverKey.empty())) {
        auto& state = State();
        if ((status = AllocateDriverKey(state.next, driverKey)) != ERROR_SUCCESS)
            return status;
        status = registry::KeepString(record.get(), "Driver", driverKey);
    }
    if (status == ERROR_SUCCESS && !parentIdPrefix.empty())
        status = registry::KeepString(record.get(), "ParentIdPrefix", parentIdPrefix);
    if (status != ERROR_SUCCESS)
        return status;
    ScopedKey parameters;
    status = RegCreateKeyExA(record.get(), "Device Parameters", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, parameters.out(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    return registry::KeepString(parameters.get(), "SymbolicName", symbolicName);
}

} // namespace

std::string KeepEnumRecord(const std::string& instanceId, const std::string& parentIdPrefix,
                           const std::string& symbolicName)
{
    std::lock_guard guard(State().lock);
    std::string driverKey;
    const LSTATUS status = KeepRecord(instanceId, parentIdPrefix, symbolicName, driverKey);
    if (status != ERROR_SUCCESS) {
        DebugPrintf("enumeration record of %s not kept: error %ld", instanceId.c_str(), static_cast<long>(status));
        SetLastError(static_cast<DWORD>(status));
        return {};
    }
    return driverKey;
}

} // namespace platform::usbsys
